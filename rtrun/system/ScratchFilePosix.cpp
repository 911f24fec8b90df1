#include "rtrun/system/ScratchFile.h"
#include "rtrun/system/Files.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace rtrun {

namespace {

std::FILE* asStream(int fd, ScratchUse use) {
    std::FILE* file = ::fdopen(fd, "w+b");
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    if (use == ScratchUse::eShared) std::setvbuf(file, nullptr, _IONBF, 0);
    else std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

// A file in `dir` whose name is gone as soon as it is made.
int namelessFileIn(const std::string& dir) {
#ifdef O_TMPFILE
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != ENOENT)) return fd;
#endif
    std::string path = withTrailingSlash(dir) + ".rtrun-scratch-XXXXXX";
    const int fd2 = ::mkostemp(&path[0], O_CLOEXEC);
    if (fd2 >= 0) ::unlink(path.c_str());
    return fd2;
}

} // namespace

std::FILE* openScratchFile(const std::string& fallbackDir, std::string& problem, ScratchUse use) {
#ifdef MFD_CLOEXEC
    const int memory = ::memfd_create("rtrun-scratch", MFD_CLOEXEC);
    if (memory >= 0) return asStream(memory, use);
    problem = std::string("memfd_create: ") + std::strerror(errno);
#else
    problem = "no memory file on this system";
#endif
    if (fallbackDir.empty()) return nullptr;
    const int fd = namelessFileIn(fallbackDir);
    if (fd >= 0) return asStream(fd, use);
    problem += "; " + fallbackDir + ": " + std::strerror(errno);
    return nullptr;
}

// Children are copies made by fork(): they have the file already.
std::string scratchFileToken(std::FILE*) { return std::string(); }

std::FILE* openScratchFileByToken(const std::string&) { return nullptr; }

} // namespace rtrun
