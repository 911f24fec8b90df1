// Stacks through elfutils' libdwfl: the process's modules from its memory
// map, unwinding through ptrace, names from symbol tables, lines from DWARF.
#include "rtrun/system/Stacks.h"
#include "rtrun/system/Process.h"
#include <cxxabi.h>
#include <elfutils/libdwfl.h>
#include <gelf.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace rtrun {
namespace Stacks {

namespace {

constexpr std::size_t kMaxFrames = 64;
constexpr std::size_t kMaxThreads = 64;
// For one thread: to walk its stack, then to name its frames.
constexpr double kWalkSeconds = 0.15;
// For all threads of a process: the first ones get their stacks.
constexpr double kAllThreadsSeconds = 1;

// Separate debug files where the system keeps them, but never a debug
// server over the network: a stack must come in bounded time.
int findDebuginfo(Dwfl_Module* module, void** userData, const char* name, Dwarf_Addr base, const char* file,
                  const char* debugLink, GElf_Word crc, char** debugName) {
    const char* servers = std::getenv("DEBUGINFOD_URLS");
    if (servers && *servers) return -1;
    return dwfl_standard_find_debuginfo(module, userData, name, base, file, debugLink, crc, debugName);
}

char* g_debugPath = nullptr;
const Dwfl_Callbacks kCallbacks = {dwfl_linux_proc_find_elf, findDebuginfo, nullptr, &g_debugPath};

struct DwflEnd {
    void operator()(Dwfl* dwfl) const { dwfl_end(dwfl); }
};
using Session = std::unique_ptr<Dwfl, DwflEnd>;

// The process's modules as its memory map shows them.
Session open(int pid, std::string& problem) {
    Session dwfl(dwfl_begin(&kCallbacks));
    if (!dwfl) {
        problem = dwfl_errmsg(-1);
        return nullptr;
    }
    dwfl_report_begin(dwfl.get());
    const int error = dwfl_linux_proc_report(dwfl.get(), pid);
    if (dwfl_report_end(dwfl.get(), nullptr, nullptr) != 0 || error != 0) {
        problem = error > 0 ? Process::errorText(error) : dwfl_errmsg(-1);
        return nullptr;
    }
    return dwfl;
}

std::string demangled(const char* name) {
    int status = 0;
    char* plain = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    std::string text = status == 0 && plain ? plain : name;
    std::free(plain);
    return text;
}

// Whether a module's own file holds its line table. Lines are looked up
// only there: a separate debug file (a system library's, installed with its
// debug package) can take half a second to load, longer than a stack may take.
bool hasOwnLines(Dwfl_Module* module) {
    GElf_Addr bias = 0;
    Elf* elf = dwfl_module_getelf(module, &bias);
    std::size_t names = 0;
    if (!elf || elf_getshdrstrndx(elf, &names) != 0) return false;
    for (Elf_Scn* section = elf_nextscn(elf, nullptr); section; section = elf_nextscn(elf, section)) {
        GElf_Shdr header;
        const char* name = gelf_getshdr(section, &header) ? elf_strptr(elf, names, header.sh_name) : nullptr;
        if (name && std::strcmp(name, ".debug_line") == 0) return true;
    }
    return false;
}

// The frame of an address: a return address is looked up one byte back,
// inside the call, as optimised code may end a function with a call. Past
// the deadline only its library and offset, which cost next to nothing.
Frame frameAt(Dwfl* dwfl, Dwarf_Addr address, bool isReturnAddress, double deadline) {
    Frame frame;
    const Dwarf_Addr lookup = isReturnAddress && address > 0 ? address - 1 : address;
    Dwfl_Module* module = dwfl_addrmodule(dwfl, lookup);
    Dwarf_Addr start = 0, end = 0;
    const char* name = module ? dwfl_module_info(module, nullptr, &start, &end, nullptr, nullptr, nullptr, nullptr) : nullptr;
    if (!module || lookup < start || lookup >= end) {
        frame.offset = address;
        return frame;
    }
    if (name) {
        const char* slash = std::strrchr(name, '/');
        frame.library = slash ? slash + 1 : name;
    }
    frame.offset = address - start;
    if (Process::monotonicSeconds() > deadline) return frame;
    if (const char* symbol = dwfl_module_addrname(module, lookup)) frame.function = demangled(symbol);
    if (!hasOwnLines(module)) return frame;
    if (Dwfl_Line* line = dwfl_module_getsrc(module, lookup)) {
        int number = 0;
        if (const char* file = dwfl_lineinfo(line, nullptr, &number, nullptr, nullptr, nullptr)) {
            frame.file = file;
            frame.line = number;
        }
    }
    return frame;
}

struct Address {
    Dwarf_Addr pc;
    bool isReturnAddress;
};

struct Walk {
    std::uint64_t fromPc;
    bool started;
    double deadline;
    std::vector<Address> addresses;
};

int onFrame(Dwfl_Frame* state, void* context) {
    Walk& walk = *static_cast<Walk*>(context);
    Dwarf_Addr pc = 0;
    bool activation = false;
    if (!dwfl_frame_pc(state, &pc, &activation)) return DWARF_CB_ABORT;
    walk.started |= pc == walk.fromPc;
    if (walk.started) walk.addresses.push_back({pc, !activation});
    return walk.addresses.size() >= kMaxFrames || Process::monotonicSeconds() > walk.deadline ? DWARF_CB_ABORT
                                                                                                : DWARF_CB_OK;
}

// Walks one thread, then names its frames; frames before the one at
// `fromPc` are left out, unless it never comes (then all are kept). The
// walk and the naming each have half of the time.
void walkThread(Dwfl* dwfl, Dwfl_Thread* thread, int tid, std::uint64_t fromPc, double seconds,
                std::vector<Frame>& frames) {
    Walk walk{fromPc, fromPc == 0, Process::monotonicSeconds() + seconds / 2, {}};
    if (thread) dwfl_thread_getframes(thread, &onFrame, &walk);
    else dwfl_getthread_frames(dwfl, tid, &onFrame, &walk);
    if (!walk.started) {
        walk.started = true;
        if (thread) dwfl_thread_getframes(thread, &onFrame, &walk);
        else dwfl_getthread_frames(dwfl, tid, &onFrame, &walk);
    }
    const double deadline = Process::monotonicSeconds() + seconds / 2;
    for (const Address& address : walk.addresses)
        frames.push_back(frameAt(dwfl, address.pc, address.isReturnAddress, deadline));
}

struct ThreadWalk {
    Dwfl* dwfl;
    double deadline;
    std::vector<Thread>* threads;
};

// Each thread in its own time: a corrupt one does not starve the others.
int onThread(Dwfl_Thread* thread, void* context) {
    ThreadWalk& walk = *static_cast<ThreadWalk*>(context);
    walk.threads->push_back(Thread{static_cast<int>(dwfl_thread_tid(thread)), {}});
    walkThread(walk.dwfl, thread, 0, 0, kWalkSeconds, walk.threads->back().frames);
    return walk.threads->size() >= kMaxThreads || Process::monotonicSeconds() > walk.deadline ? DWARF_CB_ABORT
                                                                                               : DWARF_CB_OK;
}

bool attach(Dwfl* dwfl, int pid, std::string& problem) {
    const int error = dwfl_linux_proc_attach(dwfl, pid, false);
    if (error == 0) return true;
    problem = error > 0 ? Process::errorText(error) : dwfl_errmsg(-1);
    return false;
}

} // namespace

std::string frameText(std::size_t index, const Frame& frame) {
    char offset[32];
    std::snprintf(offset, sizeof(offset), "0x%llx", static_cast<unsigned long long>(frame.offset));
    std::string text = "#" + std::to_string(index) + " " + (frame.function.empty() ? "??" : frame.function) + " (" +
                       (frame.library.empty() ? "" : frame.library + "+") + offset + ")";
    if (!frame.file.empty()) text += " " + frame.file + ":" + std::to_string(frame.line);
    return text;
}

bool threadStack(int pid, int tid, std::uint64_t fromPc, std::vector<Frame>& frames, std::string& problem) {
    Session dwfl = open(pid, problem);
    if (!dwfl || !attach(dwfl.get(), pid, problem)) return false;
    walkThread(dwfl.get(), nullptr, tid, fromPc, kWalkSeconds, frames);
    if (frames.empty()) problem = dwfl_errmsg(-1);
    return !frames.empty();
}

bool allThreads(int pid, int firstTid, std::vector<Thread>& threads, std::string& problem) {
    Session dwfl = open(pid, problem);
    if (!dwfl || !attach(dwfl.get(), pid, problem)) return false;
    ThreadWalk walk{dwfl.get(), Process::monotonicSeconds() + kAllThreadsSeconds, &threads};
    dwfl_getthreads(dwfl.get(), &onThread, &walk);
    for (std::size_t i = 0; i < threads.size(); ++i)
        if (threads[i].tid == firstTid) std::swap(threads[0], threads[i]);
    if (threads.empty() || threads[0].frames.empty()) problem = dwfl_errmsg(-1);
    return !threads.empty() && !threads[0].frames.empty();
}

bool symbolise(int pid, const std::vector<std::uint64_t>& addresses, std::uint64_t fromPc, std::vector<Frame>& frames,
               std::string& problem) {
    Session dwfl = open(pid, problem);
    if (!dwfl) return false;
    const double deadline = Process::monotonicSeconds() + kWalkSeconds;
    std::size_t first = 0;
    while (first < addresses.size() && addresses[first] != fromPc) ++first;
    if (first == addresses.size()) first = 0;
    for (std::size_t i = first; i < addresses.size() && frames.size() < kMaxFrames; ++i)
        frames.push_back(frameAt(dwfl.get(), addresses[i], addresses[i] != fromPc, deadline));
    return true;
}

} // namespace Stacks
} // namespace rtrun
