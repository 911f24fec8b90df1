#pragma once
#include "corelib/KxErrorState.h"
#include <string>
#include <vector>

// What the error callback saw: its flag and the error current during the call.
struct RaisedError {
    bool flag;
    std::string className;
    std::string method;
    std::string text1;
    std::string text2;
    KxErrorCode code;
    bool currentWasSet;
};

// Installs a recording error callback for its lifetime and restores the
// previous one afterwards; the error state is cleared on both ends so that
// one test never sees another's error.
class ErrorCapture {
public:
    ErrorCapture() : m_previous(KxErrorState::getErrorCallback()) {
        KxErrorState::setErrorCallback(nullptr);
        KxErrorState::clearError();
        s_active = this;
        KxErrorState::setErrorCallback(&ErrorCapture::record);
    }
    ~ErrorCapture() {
        KxErrorState::setErrorCallback(m_previous);
        KxErrorState::clearError();
        s_active = nullptr;
    }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    const std::vector<RaisedError>& raised() const { return m_raised; }
    std::size_t count() const { return m_raised.size(); }
    const RaisedError& last() const { return m_raised.back(); }

private:
    static void record(bool flag) {
        if (!s_active) return;
        RaisedError seen{flag, "", "", "", "", 0, KxErrorState::s_pError != nullptr};
        if (const KxStdError* error = KxErrorState::s_pError) {
            seen.className = error->getClassName().toStdString();
            seen.method = error->getMethodName().toStdString();
            seen.text1 = error->getText1().toStdString();
            seen.text2 = error->getText2().toStdString();
            seen.code = error->getCode();
        }
        s_active->m_raised.push_back(seen);
    }

    inline static ErrorCapture* s_active = nullptr;
    KxErrorState::Callback m_previous;
    std::vector<RaisedError> m_raised;
};
