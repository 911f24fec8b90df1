#pragma once
// The few POSIX calls the tests make, on Windows (every test source of a
// Windows build includes this first): environment variables, a fresh
// temporary directory, a shell command's output.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <direct.h>
#include <io.h>
#include <string>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name)) return 0;
    return _putenv_s(name, value);
}

// An empty value removes the variable on Windows.
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }

inline char* mkdtemp(char* pattern) {
    const std::string base = pattern;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = base;
        if (_mktemp_s(&name[0], name.size() + 1) != 0) return nullptr;
        if (_mkdir(name.c_str()) == 0) return static_cast<char*>(std::memcpy(pattern, name.c_str(), name.size() + 1));
    }
    return nullptr;
}

inline std::FILE* popen(const char* command, const char* mode) { return _popen(command, mode); }
inline int pclose(std::FILE* pipe) { return _pclose(pipe); }
