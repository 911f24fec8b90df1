#include "corelib/KxErrorState.h"
#include <new>

KxStdError* KxErrorState::s_pError = nullptr;

namespace {
KxErrorState::Callback g_callback = nullptr;

// Raised in place of an error whose texts found no memory. Made while the
// library loads, when memory is there, and held for good: never deleted.
KxStdError* const g_outOfMemory = [] {
    void* block = KxPlatform::instance().allocUnchecked(sizeof(KxStdError));
    if (!block) return static_cast<KxStdError*>(nullptr);
    KxStdError* error = ::new (block) KxStdError("KxErrorState", "throwStdError", "", "out of memory", 5);
    error->ref();
    return error;
}();
} // namespace

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
    KxStdError* made = nullptr;
    if (void* block = KxPlatform::instance().allocUnchecked(sizeof(KxStdError))) {
        try {
            made = ::new (block) KxStdError(className, method, "", text, code);
        } catch (const std::bad_alloc&) {
            KxPlatform::instance().dealloc(block, sizeof(KxStdError));
        }
    }
    Kx::SharedPtr<KxStdError> error(made ? made : g_outOfMemory);
    setError(error.get());
}

void KxErrorState::throwStdError(const char* className, const char* method, const char* text,
                                 KxErrorCode code) {
    KxString name;
    try {
        name = className;
    } catch (const std::bad_alloc&) {
        setError(g_outOfMemory);
        return;
    }
    throwStdError(name, method, text, code);
}

void KxErrorState::rethrowError() {}

void KxErrorState::clearError() { setError(nullptr); }
