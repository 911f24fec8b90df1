#pragma once
// Records every error raised through the core library's error state while it
// lives, one line per raise: "Class|method|text1|text2|code" of the error,
// followed by "|line" for each text line of a framework message.
#include "corelib/KxErrorState.h"
#include "driver/Msg.h"
#include <string>
#include <vector>

namespace testsupport {

inline std::string describe(const KxStdError* error) {
    if (!error) return "(none)";
    std::string text = error->getClassName().toStdString() + "|" + error->getMethodName().toStdString() + "|" +
                       error->getText1().toStdString() + "|" + error->getText2().toStdString() + "|" +
                       std::to_string(error->getCode());
    if (const auto* message = dynamic_cast<const Rt::Msg*>(error))
        for (const KxString& line : message->textList) text += "|" + line.toStdString();
    return text;
}

// Without `passOn` it replaces the installed callback, so nothing else sees
// the errors; with it each raise goes on to that callback (the results
// object's), so the report still shows them. The previous callback is
// restored and the current error cleared on both ends, so one check never
// sees another's error.
class RaisedErrors {
public:
    explicit RaisedErrors(bool passOn = false)
        : m_previous(KxErrorState::getErrorCallback()), m_passOn(passOn) {
        KxErrorState::clearError();
        s_active = this;
        KxErrorState::setErrorCallback(&RaisedErrors::record);
    }
    ~RaisedErrors() {
        KxErrorState::setErrorCallback(m_previous);
        KxErrorState::clearError();
        s_active = nullptr;
    }
    RaisedErrors(const RaisedErrors&) = delete;
    RaisedErrors& operator=(const RaisedErrors&) = delete;

    std::vector<std::string> all;

private:
    static void record(bool raised) {
        if (!s_active) return;
        s_active->all.push_back(describe(KxErrorState::s_pError));
        if (s_active->m_passOn && s_active->m_previous) s_active->m_previous(raised);
    }

    inline static RaisedErrors* s_active = nullptr;
    KxErrorState::Callback m_previous;
    bool m_passOn;
};

} // namespace testsupport
