#pragma once
// Process-level services of rtrun and its tools: how the process ends,
// its children, its standard streams, and the files a run claims.
// The *Posix.cpp files realise them on POSIX systems; a Windows build
// supplies the same functions in its own files.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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
// The stream writes each line whole, in one write where the C run time can
// buffer by lines, else each piece at once (Windows).
void lineBuffer(std::FILE* stream);
// Whether the terminal `stream` writes to acts on the control sequences that
// redraw a line ("\r\033[K"); a Windows console is asked to, where it can.
bool takesLineControls(std::FILE* stream);
// The width of the terminal `stream` writes to, in columns; 80 when unknown.
int terminalWidth(std::FILE* stream);
// The system's text for an error number.
std::string errorText(int error);

enum class FileKind { eNone, eFile, eDirectory, eOther };
FileKind fileKind(const std::string& path);
// Renames a file; false (with the system's error number in `error`) when it cannot.
bool renameFile(const std::string& from, const std::string& to, int& error);

// Memory that a child started later shares with this process; zero-filled,
// never freed. Pages are only taken as they are written. Null when none.
void* sharedMemory(std::size_t bytes);
// The memory from sharedMemory() by the name under which another process
// maps it (Windows, where a child is no copy of this process); empty where
// children are copies.
std::string sharedMemoryName(const void* memory);
// Maps the memory another process named so; null when there is none.
void* openSharedMemory(const std::string& name, std::size_t bytes);
// Where children are no copies (Windows): gives back memory this process
// made or mapped as above; the memory lives on while another has it mapped.
void releaseSharedMemory(void* memory);

// What a supervisor sends a child's process group: the first asks it to
// end, the second ends it. On Windows either ends the child's job at once:
// asksChildrenToEnd() is false there.
constexpr int kEndSignal = 15;   // SIGTERM
constexpr int kKillSignal = 9;   // SIGKILL
bool asksChildrenToEnd();

// Where there is no fork() (Windows): starts this program again with
// `arguments` as a child that dies with this process; everything it starts
// lives in a job of the child's own, which signalGroup() ends, and which
// ends as the wait tells of the child's end. Pipes as with startChild(). -1
// when none could start.
int startProgramChild(const std::vector<std::string>& arguments, int* errorPipe = nullptr, int* outputPipe = nullptr);
// In such a child: the console's Ctrl+C, Ctrl+Break and close events are
// left to the supervisor, which ends the child's job when it must.
void leaveCancelToSupervisor();

// Starts a child process that runs `body(context)` on a copy of this
// process and ends with its result as exit status; -1 when none could start.
// The child leads a process group of its own (its id is the child's), dies
// with this process, adopts the orphans of what it starts, and takes the
// dispositions of the cancel signals this process had at its start. With
// `errorPipe` set, the child's standard error is a pipe whose reading end
// (non-blocking) is put there; -1 there when no pipe could be made. The
// same for its standard output with `outputPipe`.
int startChild(int (*body)(void*), void* context, int* errorPipe = nullptr, int* outputPipe = nullptr);

// How a child ended.
struct ChildEnd {
    bool exited = false;  // through exit(): `status` holds its status
    int status = 0;
    int signal = 0;       // else the signal that ended it
    std::uint32_t exception = 0;  // (Windows) else the unhandled exception that ended it
};
// What to do while a child runs: `poll` about every `pollSeconds` (the
// signal it returns, 0 for none, goes to the child's process group), and
// hand the bytes of each of its pipes to the pipe's function as soon as they come.
struct ChildWatching {
    struct Pipe {
        int fd = -1;
        void (*take)(void*, const char*, std::size_t) = nullptr;
        bool open = true;  // false once it reached its end
    };
    int (*poll)(void*) = nullptr;
    void* context = nullptr;
    Pipe errors;  // the child's standard error
    Pipe output;  // its standard output, when that is a pipe too
    double pollSeconds = 0.05;
};
// A child to wait for, and how to watch it.
struct WatchedChild {
    int pid = -1;
    ChildWatching watching;
};
// Waits until one of the children ends, watching each meanwhile; returns
// its index, with how it ended. Any other process that ends meanwhile is
// reaped. `tick`, when given, is called about every `pollSeconds`. -1 when
// no child can be waited for.
int waitAnyChild(std::vector<WatchedChild>& children, ChildEnd& end, void (*tick)(void*) = nullptr,
                 void* tickContext = nullptr);
// Hands what the child's pipes hold now to their functions, without
// waiting for a writer that keeps them open, and closes them.
void drainOutput(const ChildWatching& watching);
// Sends the signal to every process of the child's process group.
void signalGroup(int pid, int signal);

// Orphans of the processes this one starts become its children, so that
// none outlives it unseen. False where the system has no such thing.
bool adoptOrphans();
// Reaps the children that have ended; true when one is still alive.
bool hasLiveChildren();
// Kills this process's children, and the processes that become its
// children as their parents die, and reaps them all. Returns each process
// that was still running as "pid (command)", except those of the process
// group `quietGroup` (already killed with their group). The children in
// `spared` (other children rtrun is still waiting for) are left alone.
std::vector<std::string> killChildren(int quietGroup = 0, const std::vector<int>& spared = {});
// From now on, a copy of this process made by fork() in test code knows it
// is one, without a system call: isForkedCopy() is then true in the copy.
// Copies made by startChild() are not such copies.
void watchForks();
bool isForkedCopy();

// SIGINT, SIGTERM and SIGHUP (each unless ignored when the process started,
// as under nohup) no longer end the process: the first one is only noted
// (cancelSignal() tells it); a second one kills the process groups of the
// running children and ends the process at once, with status 128 + its number.
void watchCancelSignals();
// The first cancel signal received; 0 while none.
int cancelSignal();

// How test code's exit() is told: "exited: status 3"; "exited" where the
// status is unknown (negative). Writes into `text` without allocating, for
// exit handlers.
void exitedText(int status, char (&text)[48]);
// The signal's number and name: "11 (Segmentation fault)".
std::string signalText(int signal);
// What a fatal signal's details mean, in words: "SIGSEGV: address 0x0:
// not mapped", "SIGABRT: abort() called", "SIGTERM: sent by process 12".
std::string signalDetails(int signal, int code, std::uint64_t address, int sender);
// A Windows exception's code and name: "0xC0000005 (access violation)".
std::string exceptionText(std::uint32_t code);
// What a fatal exception's details mean, in words: "access violation:
// writing address 0x10"; for other exceptions their name alone.
std::string exceptionDetails(std::uint32_t code, int access, std::uint64_t address);
// Whether a process's exit code is that of an unhandled exception rather
// than a status a program chose (Windows: codes of error severity).
bool isExceptionCode(std::uint32_t code);
// The calling thread's id, as the system's tools show it.
int threadId();
// How many processors this process may run on; at least 1.
int usableProcessors();
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
