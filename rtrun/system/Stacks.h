#pragma once
// Stacks of another process, taken from outside it: the threads of a live
// child (traced for a moment), or addresses it captured itself, turned into
// functions, libraries and source lines. Every walk is bounded in frames
// and in time, so a corrupt stack cannot hold the caller up.
#include <cstdint>
#include <string>
#include <vector>

namespace rtrun {
namespace Stacks {

struct Frame {
    std::string function;  // demangled; empty when unknown
    std::string library;   // the file's name, without its directory
    std::uint64_t offset = 0;
    std::string file;      // the source file, where debug information has it
    int line = 0;
};

struct Thread {
    int tid = 0;
    std::vector<Frame> frames;  // innermost first
};

// "#3 Mesh::area() const (libKxRtMesh80.so+0x1a2f) mesh.cpp:42".
std::string frameText(std::size_t index, const Frame& frame);
// A symbol's name as the source wrote it (the compiler's names are mangled);
// the symbol itself when it is no mangled name.
std::string demangled(const char* symbol);

// The stack of thread `tid` of process `pid`, outward from the frame at
// `fromPc` or else from the first frame of the function `fromFunction`
// (frames inside it, such as a signal handler's, are left out; 0 and empty:
// all). False, with the reason, when the process may not be traced.
bool threadStack(int pid, int tid, std::uint64_t fromPc, const std::string& fromFunction, std::vector<Frame>& frames,
                 std::string& problem);
// Every thread of the process, the one with id `firstTid` first.
bool allThreads(int pid, int firstTid, std::vector<Thread>& threads, std::string& problem);
// Addresses the process captured itself, innermost first: all but the one
// at `fromPc` are return addresses; where they start as above. Needs the
// process alive, not traced.
bool symbolise(int pid, const std::vector<std::uint64_t>& addresses, std::uint64_t fromPc, const std::string& fromFunction,
               std::vector<Frame>& frames, std::string& problem);

} // namespace Stacks
} // namespace rtrun
