#include "rtrun/system/Files.h"
#include <fcntl.h>
#include <fstream>
#if defined(O_NOFOLLOW)
#include <unistd.h>
#endif
#include <sstream>

namespace rtrun {

std::string withTrailingSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

std::string forDisplay(const std::string& path) {
    std::string tidy;
    for (char c : path) {
        if (c == '/' && !tidy.empty() && tidy.back() == '/') continue;
        tidy += c;
    }
    return tidy;
}

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

std::FILE* openForWriting(const std::string& path) {
#if defined(O_NOFOLLOW)
    const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (handle < 0) return nullptr;
    std::FILE* file = ::fdopen(handle, "wb");
    if (!file) ::close(handle);
    return file;
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

bool isUsablePlatform(const std::string& platform) {
    return platform.find_first_of("/\\") == std::string::npos && platform.find("..") == std::string::npos;
}

} // namespace rtrun
