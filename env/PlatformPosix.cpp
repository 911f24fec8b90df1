#include "env/Platform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Rt {
namespace Platform {

bool hostName(char* buffer, int size) {
    if (!buffer || size < 1) return false;
    if (::gethostname(buffer, static_cast<std::size_t>(size)) != 0) return false;
    buffer[size - 1] = '\0';
    return buffer[0] != '\0';
}

std::string linkTarget(const char* link) {
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = ::readlink(link, buffer.data(), buffer.size());
        if (n < 0) return std::string();
        // readlink cuts a long target silently: a full buffer may be a cut one.
        const std::size_t length = static_cast<std::size_t>(n);
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string executablePath() { return linkTarget("/proc/self/exe"); }

int makeDirectory(const char* path) { return ::mkdir(path, 0777); }

std::tm localTimeOf(std::time_t when) {
    std::tm broken{};
    if (when != static_cast<std::time_t>(-1) && ::localtime_r(&when, &broken)) return broken;
    // A time the calendar cannot hold (or no time at all): the start of 1970, a real date.
    const std::time_t epoch = 0;
    broken = std::tm{};
    ::gmtime_r(&epoch, &broken);
    return broken;
}

std::tm localTimeNow() { return localTimeOf(std::time(nullptr)); }

const char* environment(const char* name) { return std::getenv(name); }

bool setEnvironment(const char* name, const char* value) { return ::setenv(name, value, 1) == 0; }

bool isWritableDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

bool isReadableDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(path.c_str(), R_OK | X_OK) == 0;
}

std::string moduleFileOf(const void* address) {
    Dl_info info{};
    if (!::dladdr(address, &info) || !info.dli_fname) return std::string();
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved)) return resolved;
    return info.dli_fname;
}

std::vector<std::string> listDirectory(const std::string& directory) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return names;
    while (struct dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info;
        std::string full = directory + "/" + name;
        if (::stat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
        names.push_back(std::move(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

const char* librarySuffix() { return ".so"; }

char pathListSeparator() { return ':'; }

void* loadLibrary(const std::string& path, std::string& error) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        error = reason ? reason : "unknown reason";
    }
    return handle;
}

void* findSymbol(void* library, const char* name) { return ::dlsym(library, name); }

bool libraryHolds(void* library, const void* address) {
    if (!library || !address) return false;
    Dl_info info{};
    struct link_map* holder = nullptr;
    if (!::dladdr1(address, &info, reinterpret_cast<void**>(&holder), RTLD_DL_LINKMAP) || !holder) return false;
    struct link_map* loaded = nullptr;
    return ::dlinfo(library, RTLD_DI_LINKMAP, &loaded) == 0 && loaded == holder;
}

void freeLibrary(void* library) {
    if (library) ::dlclose(library);
}

} // namespace Platform
} // namespace Rt
