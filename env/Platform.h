#pragma once
// The one place where the framework calls the operating system. Each function
// stands for one platform service; PlatformPosix.cpp realises them on POSIX
// systems, and a Windows build supplies the same functions in its own file.
#include "env/InternalExport.h"
#include <ctime>
#include <string>
#include <vector>

namespace Rt {
namespace Platform {

// The host name; false when the system gives none. (On Windows the socket
// library is started on demand before a second attempt.)
RT_INTERNAL_API bool hostName(char* buffer, int size);
// Full path of the running program's executable file; empty when unknown.
RT_INTERNAL_API std::string executablePath();
// The whole target of a symbolic link, however long; empty when `link` is none.
RT_INTERNAL_API std::string linkTarget(const char* link);
// Creates one directory level; the caller ignores failures (existing, no parent).
RT_INTERNAL_API int makeDirectory(const char* path);
// The current local time, broken down.
RT_INTERNAL_API std::tm localTimeNow();
// `when` as local time; 1970-01-01 00:00 when the system cannot break it down.
RT_INTERNAL_API std::tm localTimeOf(std::time_t when);
// Value of an environment variable; null when it is not set.
RT_INTERNAL_API const char* environment(const char* name);

// Sets an environment variable for this process and the programs it starts.
RT_INTERNAL_API bool setEnvironment(const char* name, const char* value);
// Whether `path` names a directory this process may create files in.
RT_INTERNAL_API bool isWritableDirectory(const std::string& path);
// Whether `path` names a directory this process may list.
RT_INTERNAL_API bool isReadableDirectory(const std::string& path);

// Full file name of the loaded module (shared library or program) holding `address`.
RT_INTERNAL_API std::string moduleFileOf(const void* address);
// The names of the entries of a directory (files only, no "." or ".."), sorted
// by name so that every machine lists them in the same order. Empty when the
// directory cannot be read.
RT_INTERNAL_API std::vector<std::string> listDirectory(const std::string& directory);
// The file-name suffix of shared libraries on this platform (".so", ".dll").
RT_INTERNAL_API const char* librarySuffix();
// What separates the directories of a list in a variable (':', on Windows ';').
RT_INTERNAL_API char pathListSeparator();
// Loads a shared library; null (with a reason in `error`) when it cannot be loaded.
RT_INTERNAL_API void* loadLibrary(const std::string& path, std::string& error);
RT_INTERNAL_API void* findSymbol(void* library, const char* name);
// Whether `address` (code or data) lies in the loaded library `library`.
RT_INTERNAL_API bool libraryHolds(void* library, const void* address);
RT_INTERNAL_API void freeLibrary(void* library);

} // namespace Platform
} // namespace Rt
