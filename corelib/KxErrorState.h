#pragma once
#include <Rt/corelib/KxStdError.h>

// The core library's process-wide error state. Raising an error makes it the
// current one (held by reference) and calls the installed callback with true.
class KX_API KxErrorState {
public:
    using Callback = void (*)(bool raised);

    static void setErrorCallback(Callback callback);
    static Callback getErrorCallback();

    // Takes a reference of its own; the caller may release its pointer at once.
    // A null error clears the state without calling the callback.
    static void setError(KxStdError* error);
    // Creates an error with an empty first text and `text` as second text and
    // raises it through setError. Returns normally, even when the error's
    // texts find no memory: then a standing "out of memory" error (code 5) is
    // raised instead, so that destructors may raise errors too.
    static void throwStdError(const KxString& className, const char* method, const char* text,
                              KxErrorCode code);
    static void throwStdError(const char* className, const char* method, const char* text, KxErrorCode code);
    // Passes the current error on; here it neither calls the callback again nor throws.
    static void rethrowError();
    static void clearError();

    static KxStdError* s_pError;
};
