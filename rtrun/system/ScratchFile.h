#pragma once
#include <cstdio>
#include <string>

namespace rtrun {

// A nameless file for data a run keeps out of memory (the piece log's
// overflow, the test index before it is written). It needs no writable
// temporary directory: memory the system files like a file, else a file in
// `fallbackDir` (the result directory) that no name leads to. Null, with
// what went wrong at each place in `problem`, when neither can be had.
// A file shared with a child started later is unbuffered, so that both
// processes read and write the same bytes; a process's own file is buffered,
// so that appending to it costs no system call each time.
enum class ScratchUse { eShared, eOwn };
std::FILE* openScratchFile(const std::string& fallbackDir, std::string& problem, ScratchUse use);

// Where a child is no copy of this process (Windows): the text by which it
// opens a shared scratch file (empty where children inherit it), and the
// opening; null when it cannot be opened.
std::string scratchFileToken(std::FILE* file);
std::FILE* openScratchFileByToken(const std::string& token);

} // namespace rtrun
