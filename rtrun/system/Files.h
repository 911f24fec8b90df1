#pragma once
// Small file and path services every part of rtrun shares.
#include <string>

namespace rtrun {

// The directory with exactly one separator at its end (none added to an empty one).
std::string withTrailingSlash(std::string dir);
// A path as rtrun shows it: without doubled separators.
std::string forDisplay(const std::string& path);
// The whole file, byte for byte; false when it cannot be read.
bool readFile(const std::string& path, std::string& text);
// A platform name becomes part of file names: no separators, no "..".
bool isUsablePlatform(const std::string& platform);

} // namespace rtrun
