#pragma once
// Small file and path services every part of rtrun shares.
#include <cstdio>
#include <string>

namespace rtrun {

// The directory with exactly one separator at its end (none added to an empty one).
std::string withTrailingSlash(std::string dir);
// A path as rtrun shows it: without doubled separators.
std::string forDisplay(const std::string& path);
// The whole file, byte for byte; false when it cannot be read.
bool readFile(const std::string& path, std::string& text);
// Opens a file rtrun makes in a result directory for writing, truncated, as
// fopen(path, "wb") would, except that a symbolic link at the path is not
// followed (the open fails): a run writes its own files, nowhere else.
// Null when it cannot be opened.
std::FILE* openForWriting(const std::string& path);
// A platform name becomes part of file names: no separators, no "..".
bool isUsablePlatform(const std::string& platform);

} // namespace rtrun
