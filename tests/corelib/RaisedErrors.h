#pragma once
// Records every call of the core library's error callback while it lives, as
// one line per call: "Class|method|text1|text2|code" of the error then
// current, followed by "|line" for each text line of a framework message.
// The previous callback is restored and the error state cleared on both
// ends, so one check never sees another's error.
#include "corelib/KxErrorState.h"
#include "driver/Msg.h"
#include <string>
#include <vector>

inline std::string describe(const KxStdError* error) {
    if (!error) return "(none)";
    std::string text = error->getClassName().toStdString() + "|" + error->getMethodName().toStdString() + "|" +
                       error->getText1().toStdString() + "|" + error->getText2().toStdString() + "|" +
                       std::to_string(error->getCode());
    if (const auto* message = dynamic_cast<const Rt::Msg*>(error))
        for (const KxString& line : message->textList) text += "|" + line.toStdString();
    return text;
}

class RaisedErrors {
public:
    RaisedErrors() : m_previous(KxErrorState::getErrorCallback()) {
        KxErrorState::setErrorCallback(nullptr);
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
        if (s_active) s_active->all.push_back((raised ? "" : "(false) ") + describe(KxErrorState::s_pError));
    }

    inline static RaisedErrors* s_active = nullptr;
    KxErrorState::Callback m_previous;
};
