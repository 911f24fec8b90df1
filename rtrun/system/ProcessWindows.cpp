#include "rtrun/system/Process.h"
#include <windows.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace rtrun {
namespace Process {

namespace {

void (*g_exitHandler)(int) = nullptr;

void callExitHandler() {
    if (g_exitHandler) g_exitHandler(-1);
}

} // namespace

// The C run time tells an exit handler no status: "exited" stands alone.
bool onExit(void (*handler)(int status)) {
    g_exitHandler = handler;
    return std::atexit(&callExitHandler) == 0;
}

void endNow(int status) {
    std::fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
}

// A write to a closed pipe fails with an error on Windows: nothing to do.
void ignoreBrokenPipe() {}

// The C run time buffers "by lines" as it does fully: unbuffered, a line
// the supervisor relays comes whole all the same.
void lineBuffer(std::FILE* stream) { std::setvbuf(stream, nullptr, _IONBF, 0); }

bool isTerminal(std::FILE* stream) { return stream && ::_isatty(::_fileno(stream)) != 0; }

std::string errorText(int error) { return std::strerror(error); }

// (The C run time's stat() finds no directory at "dir/"; the system does.)
FileKind fileKind(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::eNone;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::eDirectory;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return FileKind::eOther;
    return FileKind::eFile;
}

bool renameFile(const std::string& from, const std::string& to, int& error) {
    // rename() on Windows refuses an existing target; POSIX replaces it.
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    error = ::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
    return false;
}

namespace {

// The memory this process shares, by the names other processes open it by.
struct NamedMemory {
    const void* memory;
    std::string name;
    HANDLE mapping;
};
std::vector<NamedMemory>& namedMemory() {
    static std::vector<NamedMemory> all;
    return all;
}

// A view of the mapping, its pages committed in this process too (the
// mapping only reserves them until a view commits them).
void* viewOf(HANDLE mapping, std::size_t bytes) {
    void* memory = ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, bytes);
    if (memory && !::VirtualAlloc(memory, bytes, MEM_COMMIT, PAGE_READWRITE)) {
        ::UnmapViewOfFile(memory);
        return nullptr;
    }
    return memory;
}

} // namespace

void* sharedMemory(std::size_t bytes) {
    // Reserved, and committed as pages are touched, in the paging file; named
    // so that a child started later (no copy of this process) can map it.
    static long made = 0;
    const std::string name =
        "Local\\rtrun-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++made);
    const unsigned long long size = bytes;
    HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | SEC_RESERVE,
                                          static_cast<DWORD>(size >> 32), static_cast<DWORD>(size), name.c_str());
    if (!mapping) return nullptr;
    void* memory = viewOf(mapping, bytes);
    // The handle stays open with the memory: the name lives as long as it.
    if (!memory) ::CloseHandle(mapping);
    else namedMemory().push_back({memory, name, mapping});
    return memory;
}

void releaseSharedMemory(void* memory) {
    std::vector<NamedMemory>& all = namedMemory();
    for (auto named = all.begin(); named != all.end(); ++named) {
        if (named->memory != memory) continue;
        ::CloseHandle(named->mapping);
        all.erase(named);
        break;
    }
    ::UnmapViewOfFile(memory);
}

std::string sharedMemoryName(const void* memory) {
    for (const NamedMemory& named : namedMemory())
        if (named.memory == memory) return named.name;
    return std::string();
}

void* openSharedMemory(const std::string& name, std::size_t bytes) {
    const HANDLE mapping = ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    if (!mapping) return nullptr;
    void* memory = viewOf(mapping, bytes);
    ::CloseHandle(mapping);  // the view keeps the mapping
    return memory;
}

std::string signalText(int signal) {
    const char* name = "unknown signal";
    switch (signal) {
    case SIGINT: name = "Interrupt"; break;
    case SIGTERM: name = "Terminated"; break;
    case SIGBREAK: name = "Break"; break;
    case SIGSEGV: name = "Segmentation fault"; break;
    case SIGILL: name = "Illegal instruction"; break;
    case SIGFPE: name = "Floating point exception"; break;
    case SIGABRT: name = "Aborted"; break;
    default: break;
    }
    return std::to_string(signal) + " (" + name + ")";
}

// The C run time raises only a few signals itself, with no details to tell.
std::string signalDetails(int signal, int, std::uint64_t, int) {
    return signal == SIGABRT ? "SIGABRT: abort() called" : "signal " + signalText(signal);
}

int threadId() { return static_cast<int>(::GetCurrentThreadId()); }

int usableProcessors() {
    DWORD_PTR process = 0, system = 0;
    int count = 0;
    if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system))
        for (; process; process &= process - 1) ++count;
    return count > 0 ? count : 1;
}

bool takesLineControls(std::FILE* stream) {
    const HANDLE console = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (!::GetConsoleMode(console, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
           ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

int terminalWidth(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    const HANDLE console = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    if (::GetConsoleScreenBufferInfo(console, &info)) return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

double monotonicSeconds() {
    static const double tick = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return 1.0 / static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * tick;
}

bool silence(std::FILE* stream, int& saved) {
    std::fflush(stream);
    saved = ::_dup(::_fileno(stream));
    const int null = ::_open("NUL", _O_WRONLY | _O_BINARY);
    if (saved < 0 || null < 0) return false;
    ::_dup2(null, ::_fileno(stream));
    ::_close(null);
    return true;
}

void restore(std::FILE* stream, int saved) {
    if (saved < 0) return;
    std::fflush(stream);
    ::_dup2(saved, ::_fileno(stream));
    ::_close(saved);
}

// The lock is the file itself, opened with no sharing: while one process
// holds it open no other can open it; the system closes it when that process ends.
LockResult lockFile(const std::string& path, int& handle, int& error) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD failure = ::GetLastError();
        handle = -1;
        error = failure == ERROR_ACCESS_DENIED ? EACCES : EIO;
        return failure == ERROR_SHARING_VIOLATION ? LockResult::eHeld : LockResult::eFailed;
    }
    handle = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR);
    if (handle < 0) {
        ::CloseHandle(file);
        error = EMFILE;
        return LockResult::eFailed;
    }
    return LockResult::eLocked;
}

void unlockFile(const std::string& path, int handle) {
    if (handle < 0) return;
    // Marked for deletion through the handle that holds it, so that no
    // other process can take the path between the removal and the release.
    FILE_DISPOSITION_INFO gone{TRUE};
    const HANDLE file = reinterpret_cast<HANDLE>(::_get_osfhandle(handle));
    const bool marked = ::SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof(gone));
    ::_close(handle);
    if (!marked) ::DeleteFileA(path.c_str());
}

} // namespace Process
} // namespace rtrun
