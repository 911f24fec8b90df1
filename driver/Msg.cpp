#include "driver/Msg.h"

namespace Rt {

Msg::Msg(const KxString& className, const char* method, const char* text1, const char* text2, KxErrorCode code)
    : KxStdError(className, method, text1, text2, code) {}

Msg::Msg(const KxString& className, const KxString& method, const KxString& text1, const KxString& text2,
         KxErrorCode code)
    : KxStdError(className, method, text1, text2, code) {}

Msg::Msg(const Msg&) = default;

Msg& Msg::operator=(const Msg&) = default;

Msg::~Msg() {
    traceList.freeStorage();
    textList.freeStorage();
}

void Msg::setErr(const KxString& className, const char* method, const char* text1, const char* text2,
                 KxErrorCode code) {
    set(className, method, text1, text2, code);
}

void Msg::setAtr(const KxString& name, const KxString& value) {
    textList.append(name);
    traceList.append(value);
}

} // namespace Rt
