#include "rtrun/system/Files.h"
#include <fstream>
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

bool isUsablePlatform(const std::string& platform) {
    return platform.find_first_of("/\\") == std::string::npos && platform.find("..") == std::string::npos;
}

} // namespace rtrun
