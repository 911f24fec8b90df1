#pragma once
// Records every error raised through the core library's error state while it
// lives, with the text lines of errors that are framework messages. The
// previous callback is restored afterwards and the error state is cleared on
// both ends, so one check never sees another's error.
#include <Rt/Rt.h>
#include <string>
#include <vector>

namespace testsettest {

struct RaisedError {
    std::string className;
    std::string method;
    std::string text1;
    std::string text2;
    KxErrorCode code = 0;
    std::vector<std::string> lines;  // the text list of a Msg, empty otherwise
};

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

    const std::vector<RaisedError>& all() const { return m_raised; }
    std::size_t count() const { return m_raised.size(); }
    const RaisedError& at(std::size_t i) const { return m_raised.at(i); }
    void reset() { m_raised.clear(); }

private:
    static void record(bool raised) {
        if (!s_active || !raised) return;
        const KxStdError* error = KxErrorState::s_pError;
        if (!error) return;
        RaisedError seen;
        seen.className = error->getClassName().toStdString();
        seen.method = error->getMethodName().toStdString();
        seen.text1 = error->getText1().toStdString();
        seen.text2 = error->getText2().toStdString();
        seen.code = error->getCode();
        if (const auto* message = dynamic_cast<const Rt::Msg*>(error))
            for (const KxString& line : message->textList) seen.lines.push_back(line.toStdString());
        s_active->m_raised.push_back(seen);
    }

    inline static RaisedErrors* s_active = nullptr;
    KxErrorState::Callback m_previous;
    std::vector<RaisedError> m_raised;
};

} // namespace testsettest
