#include "env/Process.h"
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Rt {
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

LockResult lockFile(const std::string& path, int& handle, int& error) {
    handle = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (handle < 0) {
        error = errno;
        return LockResult::eFailed;
    }
    if (::flock(handle, LOCK_EX | LOCK_NB) == 0) return LockResult::eLocked;
    error = errno;
    ::close(handle);
    handle = -1;
    return error == EWOULDBLOCK ? LockResult::eHeld : LockResult::eFailed;
}

void unlockFile(const std::string& path, int handle) {
    if (handle < 0) return;
    ::unlink(path.c_str());
    ::close(handle);
}

} // namespace Process
} // namespace Rt
