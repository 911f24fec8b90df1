#pragma once
// Process-level services of the platform layer, for the driver program and
// its tools: how the process ends, its standard streams, and the files a
// run claims. ProcessPosix.cpp realises them on POSIX systems; a Windows
// build supplies the same functions in its own file.
#include "env/InternalExport.h"
#include <cstdio>
#include <string>

namespace Rt {
namespace Process {

// Calls `handler` with the exit status when the process ends through exit()
// (from main's return or from any code), before the static destructors of
// everything loaded so far. The status is -1 where the platform cannot tell it.
RT_INTERNAL_API bool onExit(void (*handler)(int status));
// Ends the process at once with `status`: no exit handlers, no destructors.
RT_INTERNAL_API void endNow(int status);
// Writing to a closed pipe fails with an error instead of killing the process.
RT_INTERNAL_API void ignoreBrokenPipe();
RT_INTERNAL_API bool isTerminal(std::FILE* stream);
// The system's text for an error number.
RT_INTERNAL_API std::string errorText(int error);

enum class FileKind { eNone, eFile, eDirectory, eOther };
RT_INTERNAL_API FileKind fileKind(const std::string& path);
// Renames a file; false (with the system's error number in `error`) when it cannot.
RT_INTERNAL_API bool renameFile(const std::string& from, const std::string& to, int& error);

// Memory that a child started later shares with this process; zero-filled,
// never freed. Pages are only taken as they are written. Null when none.
RT_INTERNAL_API void* sharedMemory(std::size_t bytes);
// Starts a child process that runs `body(context)` on a copy of this
// process and ends with its result as exit status; -1 when none could start.
RT_INTERNAL_API int startChild(int (*body)(void*), void* context);

// How a child ended.
struct ChildEnd {
    bool exited = false;  // through exit(): `status` holds its status
    int status = 0;
    int signal = 0;       // else the signal that ended it
};
// Waits for the child to end; with `poll` set, calls it about every
// `pollSeconds` while waiting, and kills the child with SIGKILL when it
// returns true. False when the child cannot be waited for.
RT_INTERNAL_API bool waitChild(int pid, ChildEnd& end, bool (*poll)(void*) = nullptr, void* context = nullptr,
                      double pollSeconds = 0.05);
// The signal's number and name: "11 (Segmentation fault)".
RT_INTERNAL_API std::string signalText(int signal);
// Seconds on a clock that never goes back.
RT_INTERNAL_API double monotonicSeconds();

// Sends the stream's output nowhere until restored; `saved` keeps the original.
RT_INTERNAL_API bool silence(std::FILE* stream, int& saved);
RT_INTERNAL_API void restore(std::FILE* stream, int saved);

// An exclusive advisory lock on a file, held until released or until the
// process ends, whichever comes first.
enum class LockResult { eLocked, eHeld, eFailed };
RT_INTERNAL_API LockResult lockFile(const std::string& path, int& handle, int& error);
// Releases the lock and removes its file.
RT_INTERNAL_API void unlockFile(const std::string& path, int handle);

} // namespace Process
} // namespace Rt
