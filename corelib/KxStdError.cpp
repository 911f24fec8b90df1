#include "corelib/KxStdError.h"

KxBase::~KxBase() = default;

KxStdError::KxStdError(const KxString& className, const char* method, const char* text1, const char* text2,
                       KxErrorCode code)
    : m_className(className), m_method(method), m_text1(text1), m_text2(text2), m_code(code) {}

KxStdError::KxStdError(const KxString& className, const KxString& method, const KxString& text1,
                       const KxString& text2, KxErrorCode code)
    : m_className(className), m_method(method), m_text1(text1), m_text2(text2), m_code(code) {}

KxStdError::~KxStdError() = default;

void KxStdError::set(const KxString& className, const char* method, const char* text1, const char* text2,
                     KxErrorCode code) {
    m_className = className;
    m_method = method;
    m_text1 = text1;
    m_text2 = text2;
    m_code = code;
}
