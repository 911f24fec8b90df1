#include "rtrun/system/ScratchFile.h"
#include "rtrun/system/Files.h"
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace rtrun {

namespace {

// Each shared scratch file's path, by its stream: a child opens it by that.
struct NamedScratch {
    std::FILE* file;
    std::string path;
};
std::vector<NamedScratch>& namedScratch() {
    static std::vector<NamedScratch> all;
    return all;
}

std::FILE* streamOf(HANDLE file, ScratchUse use) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    std::FILE* stream = fd >= 0 ? ::_fdopen(fd, "w+b") : nullptr;
    if (!stream) {
        if (fd >= 0) ::_close(fd);
        else ::CloseHandle(file);
        return nullptr;
    }
    if (use == ScratchUse::eShared) std::setvbuf(stream, nullptr, _IONBF, 0);
    else std::setvbuf(stream, nullptr, _IOFBF, 1 << 16);
    return stream;
}

// A file in `dir` that the system removes when its last handle closes, and
// keeps in memory as far as it can.
std::FILE* namelessFileIn(const std::string& dir, ScratchUse use, std::string& problem) {
    char path[MAX_PATH];
    if (!::GetTempFileNameA(dir.c_str(), "rts", 0, path)) {
        problem += dir + ": error " + std::to_string(::GetLastError());
        return nullptr;
    }
    const HANDLE file = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem += dir + ": error " + std::to_string(::GetLastError());
        ::DeleteFileA(path);
        return nullptr;
    }
    std::FILE* stream = streamOf(file, use);
    if (!stream) problem += dir + ": cannot open it as a stream";
    else if (use == ScratchUse::eShared) namedScratch().push_back({stream, path});
    return stream;
}

} // namespace

std::FILE* openScratchFile(const std::string& fallbackDir, std::string& problem, ScratchUse use) {
    char temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof(temp), temp);
    if (length > 0 && length < sizeof(temp))
        if (std::FILE* file = namelessFileIn(temp, use, problem)) return file;
    if (fallbackDir.empty()) return nullptr;
    if (!problem.empty()) problem += "; ";
    return namelessFileIn(fallbackDir, use, problem);
}

// The file is removed as its last handle closes; until then another
// process opens it by its path, sharing its removal too.
std::string scratchFileToken(std::FILE* file) {
    for (const NamedScratch& named : namedScratch())
        if (named.file == file) return named.path;
    return std::string();
}

std::FILE* openScratchFileByToken(const std::string& token) {
    const HANDLE file = ::CreateFileA(token.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_TEMPORARY, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : streamOf(file, ScratchUse::eShared);
}

} // namespace rtrun
