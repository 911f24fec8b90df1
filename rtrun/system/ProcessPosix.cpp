#include "rtrun/system/Process.h"
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ctime>
#include <sched.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace rtrun {
namespace Process {

namespace {

void callWithStatus(int status, void* handler) { reinterpret_cast<void (*)(int)>(handler)(status); }

} // namespace

bool onExit(void (*handler)(int status)) {
#if defined(__GLIBC__)
    return ::on_exit(&callWithStatus, reinterpret_cast<void*>(handler)) == 0;
#else
    static void (*s_handler)(int) = handler;
    return std::atexit([] { s_handler(-1); }) == 0;
#endif
}

void endNow(int status) { ::_exit(status); }

void ignoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

void lineBuffer(std::FILE* stream) { std::setvbuf(stream, nullptr, _IOLBF, BUFSIZ); }

bool takesLineControls(std::FILE* stream) { return isTerminal(stream); }

bool isTerminal(std::FILE* stream) { return stream && ::isatty(::fileno(stream)) == 1; }

std::string errorText(int error) { return std::strerror(error); }

FileKind fileKind(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return FileKind::eNone;
    if (S_ISREG(info.st_mode)) return FileKind::eFile;
    if (S_ISDIR(info.st_mode)) return FileKind::eDirectory;
    return FileKind::eOther;
}

bool renameFile(const std::string& from, const std::string& to, int& error) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    error = errno;
    return false;
}

void* sharedMemory(std::size_t bytes) {
    void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return memory == MAP_FAILED ? nullptr : memory;
}

static_assert(kEndSignal == SIGTERM && kKillSignal == SIGKILL, "the signals a supervisor sends are the system's");

bool asksChildrenToEnd() { return true; }

// A child is a copy made by fork(): it has the memory at the same place.
std::string sharedMemoryName(const void*) { return std::string(); }

void* openSharedMemory(const std::string&, std::size_t) { return nullptr; }

std::string signalText(int signal) {
    const char* name = ::strsignal(signal);
    return std::to_string(signal) + " (" + (name ? name : "unknown signal") + ")";
}

int terminalWidth(std::FILE* stream) {
    struct winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

int threadId() {
#if defined(__linux__)
    return static_cast<int>(::syscall(SYS_gettid));
#else
    return static_cast<int>(::getpid());
#endif
}

int usableProcessors() {
#if defined(__linux__)
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof(allowed), &allowed) == 0 && CPU_COUNT(&allowed) > 0) return CPU_COUNT(&allowed);
#endif
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

double monotonicSeconds() {
    struct timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

bool silence(std::FILE* stream, int& saved) {
    std::fflush(stream);
    saved = ::dup(::fileno(stream));
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved < 0 || null < 0) return false;
    ::dup2(null, ::fileno(stream));
    ::close(null);
    return true;
}

void restore(std::FILE* stream, int saved) {
    if (saved < 0) return;
    std::fflush(stream);
    ::dup2(saved, ::fileno(stream));
    ::close(saved);
}

LockResult lockFile(const std::string& path, int& handle, int& error) {
    for (;;) {
        handle = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (handle < 0) {
            error = errno;
            return LockResult::eFailed;
        }
        if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
            error = errno;
            ::close(handle);
            handle = -1;
            return error == EWOULDBLOCK ? LockResult::eHeld : LockResult::eFailed;
        }
        // A holder removes the file while it still holds the lock: a lock won
        // on a file that is no longer the one at the path guards nothing, so
        // take the path's file anew.
        struct stat held {}, named {};
        if (::fstat(handle, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino)
            return LockResult::eLocked;
        ::close(handle);
    }
}

void unlockFile(const std::string& path, int handle) {
    if (handle < 0) return;
    ::unlink(path.c_str());
    ::close(handle);
}

} // namespace Process
} // namespace rtrun
