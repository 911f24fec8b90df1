#pragma once
#include "corelib/KxString.h"

namespace Rt {

// Reads a whole file into a text, in chunks of 1000 bytes; each chunk's text
// ends at its first zero byte. A failing read keeps what was read so far.
// The result names the step that failed, for callers that report it.
enum class FileReadResult {
    eOk,
    eClearFailed,
    eNoStream,
    eOpenFailed,
    eLockFailed,
    eUnlockFailed,
    eCloseFailed,
};

// `zeroByte`, when given, receives the offset of the file's first zero
// byte, or -1 when it has none.
FileReadResult readWholeFile(const KxString& name, KxString& text, long long* zeroByte = nullptr);

} // namespace Rt
