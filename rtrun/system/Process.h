#pragma once
// Process-level services of rtrun and its tools: how the process ends,
// its children, its standard streams, and the files a run claims.
// ProcessPosix.cpp realises them on POSIX systems; a Windows build supplies
// the same functions in its own file.
#include <cstdio>
#include <string>

namespace rtrun {
namespace Process {

// Calls `handler` with the exit status when the process ends through exit()
// (from main's return or from any code), before the static destructors of
// everything loaded so far. The status is -1 where the platform cannot tell it.
bool onExit(void (*handler)(int status));
// Ends the process at once with `status`: no exit handlers, no destructors.
void endNow(int status);
// Writing to a closed pipe fails with an error instead of killing the process.
void ignoreBrokenPipe();
bool isTerminal(std::FILE* stream);
// The system's text for an error number.
std::string errorText(int error);

enum class FileKind { eNone, eFile, eDirectory, eOther };
FileKind fileKind(const std::string& path);
// Renames a file; false (with the system's error number in `error`) when it cannot.
bool renameFile(const std::string& from, const std::string& to, int& error);

// Memory that a child started later shares with this process; zero-filled,
// never freed. Pages are only taken as they are written. Null when none.
void* sharedMemory(std::size_t bytes);
// Starts a child process that runs `body(context)` on a copy of this
// process and ends with its result as exit status; -1 when none could start.
int startChild(int (*body)(void*), void* context);

// How a child ended.
struct ChildEnd {
    bool exited = false;  // through exit(): `status` holds its status
    int status = 0;
    int signal = 0;       // else the signal that ended it
};
// Waits for the child to end; with `poll` set, calls it about every
// `pollSeconds` while waiting, and kills the child with SIGKILL when it
// returns true. False when the child cannot be waited for.
bool waitChild(int pid, ChildEnd& end, bool (*poll)(void*) = nullptr, void* context = nullptr,
                      double pollSeconds = 0.05);
// How test code's exit() is told: "exited: status 3"; "exited" where the
// status is unknown (negative). Writes into `text` without allocating, for
// exit handlers.
void exitedText(int status, char (&text)[48]);
// The signal's number and name: "11 (Segmentation fault)".
std::string signalText(int signal);
// Seconds on a clock that never goes back.
double monotonicSeconds();

// Sends the stream's output nowhere until restored; `saved` keeps the original.
bool silence(std::FILE* stream, int& saved);
void restore(std::FILE* stream, int saved);

// An exclusive advisory lock on a file, held until released or until the
// process ends, whichever comes first. Only the file at the path counts: a
// lock won on a file removed meanwhile is given up and the path's taken.
enum class LockResult { eLocked, eHeld, eFailed };
LockResult lockFile(const std::string& path, int& handle, int& error);
// Removes the lock's file while still holding it, then releases the lock.
void unlockFile(const std::string& path, int handle);

} // namespace Process
} // namespace rtrun
