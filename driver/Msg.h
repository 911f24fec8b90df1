#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxErrorState.h>
#include <Rt/corelib/KxVec.h>

namespace Rt {

// The unit of every error and report command: a core-library error with a
// list of text lines and a list of trace lines. Used as a list of value pairs,
// entry i of the trace list belongs to entry i of the text list.
class RT_API Msg : public KxStdError {
public:
    Msg(const KxString& className, const char* method, const char* text1, const char* text2,
        KxErrorCode code);
    Msg(const KxString& className, const KxString& method, const KxString& text1, const KxString& text2,
        KxErrorCode code);
    Msg(const Msg& other);
    Msg& operator=(const Msg& other);
    ~Msg() override;

    void setErr(const KxString& className, const char* method, const char* text1, const char* text2,
                KxErrorCode code);
    void setAtr(const KxString& name, const KxString& value);

    KxVec<KxString> textList;
    KxVec<KxString> traceList;
};

} // namespace Rt
