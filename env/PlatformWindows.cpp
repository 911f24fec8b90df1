#include "env/Platform.h"

#include <winsock2.h>
#include <windows.h>
#include <algorithm>
#include <cstdlib>
#include <direct.h>
#include <io.h>

namespace Rt {
namespace Platform {

namespace {

// The socket library is started only when a host-name lookup finds it not
// started, and never shut down again.
bool startSockets() {
    WSADATA data;
    return ::WSAStartup(0x0202, &data) == 0;
}

// The system's text for an error about `subject` (a file), without its line
// end; the place a message keeps for it ("%1 is not a valid Win32
// application") holds its name.
std::string systemErrorText(DWORD error, const std::string& subject) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length && text ? std::string(text, length) : "error " + std::to_string(error);
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    for (std::size_t at = message.find("%1"); at != std::string::npos; at = message.find("%1", at + subject.size()))
        message.replace(at, 2, subject);
    return message;
}

// The full file name of a module, however long.
std::string moduleFileName(HMODULE module) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::string();
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);  // cut: the name did not fit
    }
}

HMODULE moduleHolding(const void* address) {
    HMODULE module = nullptr;
    if (!address || !::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          static_cast<const char*>(address), &module))
        return nullptr;
    return module;
}

// (The C run time's stat() finds no directory at "dir/"; the system does.)
bool isDirectory(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool hostName(char* buffer, int size) {
    if (!buffer || size < 1) return false;
    if (::gethostname(buffer, size) != 0) {
        if (::WSAGetLastError() != WSANOTINITIALISED || !startSockets() || ::gethostname(buffer, size) != 0)
            return false;
    }
    buffer[size - 1] = '\0';
    return buffer[0] != '\0';
}

std::string executablePath() { return moduleFileName(nullptr); }

// Symbolic links play no part in finding anything on Windows.
std::string linkTarget(const char*) { return std::string(); }

int makeDirectory(const char* path) { return ::_mkdir(path); }

std::tm localTimeOf(std::time_t when) {
    std::tm broken{};
    if (when != static_cast<std::time_t>(-1) && ::localtime_s(&broken, &when) == 0) return broken;
    // A time the calendar cannot hold (or no time at all): the start of 1970, a real date.
    const std::time_t epoch = 0;
    broken = std::tm{};
    ::gmtime_s(&broken, &epoch);
    return broken;
}

std::tm localTimeNow() { return localTimeOf(std::time(nullptr)); }

const char* environment(const char* name) { return std::getenv(name); }

bool setEnvironment(const char* name, const char* value) { return ::_putenv_s(name, value) == 0; }

bool isWritableDirectory(const std::string& path) { return isDirectory(path) && ::_access(path.c_str(), 2) == 0; }

bool isReadableDirectory(const std::string& path) { return isDirectory(path) && ::_access(path.c_str(), 4) == 0; }

std::string moduleFileOf(const void* address) {
    const HMODULE module = moduleHolding(address);
    return module ? moduleFileName(module) : std::string();
}

std::vector<std::string> listDirectory(const std::string& directory) {
    std::vector<std::string> names;
    std::string pattern = directory.empty() ? std::string(".") : directory;
    if (pattern.back() != '/' && pattern.back() != '\\') pattern += '/';
    pattern += "*.*";
    struct _finddata64i32_t entry;
    const intptr_t listing = ::_findfirst64i32(pattern.c_str(), &entry);
    if (listing == -1) return names;
    do {
        const std::string name = entry.name;
        if (name == "." || name == ".." || (entry.attrib & _A_SUBDIR)) continue;
        names.push_back(name);
    } while (::_findnext64i32(listing, &entry) == 0);
    ::_findclose(listing);
    std::sort(names.begin(), names.end());
    return names;
}

const char* librarySuffix() { return ".dll"; }

char pathListSeparator() { return ';'; }  // ':' follows a drive letter

void* loadLibrary(const std::string& path, std::string& error) {
    std::string file = path;
    std::replace(file.begin(), file.end(), '/', '\\');
    // A library given with its directory finds the libraries it needs beside
    // itself; a bare name is searched for as the system searches.
    const DWORD flags = file.find('\\') != std::string::npos ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
    // A file that is no library gets an error code, not a message box.
    DWORD previousMode = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE library = ::LoadLibraryExA(file.c_str(), nullptr, flags);
    const DWORD failure = library ? 0 : ::GetLastError();
    ::SetThreadErrorMode(previousMode, nullptr);
    if (!library) error = systemErrorText(failure, file);
    return reinterpret_cast<void*>(library);
}

void* findSymbol(void* library, const char* name) {
    return library ? reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name)) : nullptr;
}

bool libraryHolds(void* library, const void* address) {
    return library && address && moduleHolding(address) == static_cast<HMODULE>(library);
}

void freeLibrary(void* library) {
    if (library) ::FreeLibrary(static_cast<HMODULE>(library));
}

} // namespace Platform
} // namespace Rt

// The framework starts no threads and has nothing to do when others start
// or end. When the library is unloaded with its process-wide objects still
// held (the last RtLib::fini() never came), their owning pointers release
// them as the library's static objects are destroyed.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
    return TRUE;
}
