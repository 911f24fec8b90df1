#pragma once
#include <cstdio>
#include <string>

namespace rtrun {

// A nameless file for data a run keeps out of memory (the piece log's
// overflow, the test index before it is written). It needs no writable
// temporary directory: memory the system files like a file, else a file in
// `fallbackDir` (the result directory) that no name leads to. Unbuffered,
// so that a child started later reads and writes the same bytes. Null, with
// what went wrong at each place in `problem`, when neither can be had.
std::FILE* openScratchFile(const std::string& fallbackDir, std::string& problem);

} // namespace rtrun
