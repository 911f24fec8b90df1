#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxNode.h>
#include <Rt/corelib/KxString.h>
#include <cstdint>

namespace Rt {

// Walks a node graph depth first, calling an action before and after each
// node. A pre-action that returns false prunes the node's subtree; a
// post-action that returns false ends the walk. An error raised by the core
// library while a node's children are counted ends it too, and is described
// by getErrorMsg().
class RT_API KxSimpleTraverser {
public:
    using Action = bool (*)(KxNode* node, void* userData);

    KxSimpleTraverser() = default;
    explicit KxSimpleTraverser(void* userData) : m_userData(userData) {}
    KxSimpleTraverser(const KxSimpleTraverser&) = default;
    KxSimpleTraverser& operator=(const KxSimpleTraverser&) = default;
    virtual ~KxSimpleTraverser() = default;

    // A null action is refused and the previous one kept.
    virtual bool setPreActionCB(Action action);
    virtual bool setPostActionCB(Action action);
    virtual bool traverseGraph(KxNode* node);

    KxString getErrorMsg() { return m_errorMsg; }
    int currentChild() const { return m_currentChild; }

private:
    Action m_preAction = nullptr;
    Action m_postAction = nullptr;
    void* m_userData = nullptr;
    std::int32_t m_currentChild = 0;
    KxString m_errorMsg;
};

} // namespace Rt
