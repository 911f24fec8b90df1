#include "corelib/KxErrorState.h"

KxStdError* KxErrorState::s_pError = nullptr;

namespace {
KxErrorState::Callback g_callback = nullptr;
}

void KxErrorState::setErrorCallback(Callback callback) { g_callback = callback; }
KxErrorState::Callback KxErrorState::getErrorCallback() { return g_callback; }

void KxErrorState::setError(KxStdError* error) {
    if (error) error->ref();
    KxStdError* previous = s_pError;
    s_pError = error;
    if (previous) previous->unref();
    if (error && g_callback) g_callback(true);
}

void KxErrorState::throwStdError(const KxString& className, const char* method, const char* text,
                                 KxErrorCode code) {
    Kx::SharedPtr<KxStdError> error(new KxStdError(className, method, "", text, code));
    if (error) setError(error.get());
}

void KxErrorState::rethrowError() {}

void KxErrorState::clearError() { setError(nullptr); }
