#pragma once
// DbgHelp's part of a stack on Windows, for this process or another one: a
// thread's walk from its context, and its addresses turned into functions,
// modules and source lines. DbgHelp is single-threaded: callers that may
// run beside each other take turns.
#include "rtrun/system/Stacks.h"
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace rtrun {
namespace WindowsStacks {

constexpr int kMaxFrames = 64;

// DbgHelp's view of a process and the modules it has loaded, for as long as
// this lives. Symbols are read only when an address asks for them.
class Symbols {
public:
    explicit Symbols(HANDLE process);
    ~Symbols();
    Symbols(const Symbols&) = delete;
    Symbols& operator=(const Symbols&) = delete;
    bool ready() const { return m_ready; }

private:
    HANDLE m_process;
    bool m_ready;
};

// The thread's frames from `context`, innermost first: where it was, then
// return addresses. At most `maxFrames`, and no step begun after `deadline`
// (monotonic seconds): a corrupt stack ends the walk early.
std::vector<std::uint64_t> walk(HANDLE process, HANDLE thread, CONTEXT context, int maxFrames, double deadline);

// The three parts of naming a frame, cheapest first, so that a caller short
// of time can stop after any of them. A return address is looked up one byte
// back, inside its call, as a function may end with a call.
// The module, by its file name without directory, and the offset in it
// (else the address itself as the offset). Returns the module's path; empty
// when no module holds the address.
std::string locate(HANDLE process, std::uint64_t address, Stacks::Frame& frame);
void nameFunction(HANDLE process, std::uint64_t address, bool returnAddress, Stacks::Frame& frame);
void findLine(HANDLE process, std::uint64_t address, bool returnAddress, Stacks::Frame& frame);
// All three.
Stacks::Frame frameAt(HANDLE process, std::uint64_t address, bool returnAddress);

} // namespace WindowsStacks
} // namespace rtrun
