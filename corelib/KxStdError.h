#pragma once
#include <Rt/corelib/KxRefCounted.h>
#include <Rt/corelib/KxString.h>

class KX_API KxBase : public KxRefCounted {
public:
    ~KxBase() override;
};

// An error of the core library's error state: who raised it, two texts and a code.
class KX_API KxStdError : public KxBase {
public:
    KxStdError(const KxString& className, const char* method, const char* text1, const char* text2,
               KxErrorCode code);
    KxStdError(const KxString& className, const KxString& method, const KxString& text1,
               const KxString& text2, KxErrorCode code);
    KxStdError(const KxStdError&) = default;
    KxStdError& operator=(const KxStdError&) = default;
    ~KxStdError() override;

    void set(const KxString& className, const char* method, const char* text1, const char* text2,
             KxErrorCode code);

    const KxString& getClassName() const { return m_className; }
    const KxString& getMethodName() const { return m_method; }
    const KxString& getText1() const { return m_text1; }
    const KxString& getText2() const { return m_text2; }
    KxErrorCode getCode() const { return m_code; }

private:
    KxString m_className;
    KxString m_method;
    KxString m_text1;
    KxString m_text2;
    KxErrorCode m_code;
};
