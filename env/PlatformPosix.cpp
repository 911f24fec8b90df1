#include "env/Platform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
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

std::string executablePath() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return std::string();
    return std::string(path, static_cast<std::size_t>(n));
}

int makeDirectory(const char* path) { return ::mkdir(path, 0777); }

std::tm localTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm broken{};
    ::localtime_r(&now, &broken);
    return broken;
}

const char* environment(const char* name) { return std::getenv(name); }

bool setEnvironment(const char* name, const char* value) { return ::setenv(name, value, 1) == 0; }

bool isWritableDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
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

void* loadLibrary(const std::string& path, std::string& error) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        error = reason ? reason : "unknown reason";
    }
    return handle;
}

void* findSymbol(void* library, const char* name) { return ::dlsym(library, name); }

void freeLibrary(void* library) {
    if (library) ::dlclose(library);
}

} // namespace Platform
} // namespace Rt
