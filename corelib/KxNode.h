#pragma once
#include <Rt/corelib/KxStdError.h>

// A node of a model's graph. The flag of both operations asks for hidden
// children as well; plain nodes have none.
class KX_API KxNode : public KxBase {
public:
    ~KxNode() override;
    virtual int getNumChildren(bool includeHidden);
    virtual KxNode* getChild(int index, bool includeHidden);
};
