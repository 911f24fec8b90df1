#include "corelib/KxErrorState.h"
#include <new>

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
    // The error that reports a refused allocation must still come into being,
    // so its block is taken past the allocator's failure hook (like text storage).
    void* block = KxPlatform::instance().allocUnchecked(sizeof(KxStdError));
    if (!block) return;
    KxStdError* made;
    try {
        made = ::new (block) KxStdError(className, method, "", text, code);
    } catch (...) {
        KxPlatform::instance().dealloc(block, sizeof(KxStdError));
        throw;
    }
    Kx::SharedPtr<KxStdError> error(made);
    setError(error.get());
}

void KxErrorState::rethrowError() {}

void KxErrorState::clearError() { setError(nullptr); }
