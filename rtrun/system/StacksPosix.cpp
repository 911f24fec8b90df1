// Stacks through elfutils' libdwfl: the process's modules from its memory
// map, unwinding through ptrace, names from symbol tables, lines from DWARF.
#include "rtrun/system/Stacks.h"
#include "rtrun/system/Process.h"
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

// The C and C++ runtime libraries, by file name.
bool isRuntime(const std::string& library) {
    for (const char* prefix : {"libc.so", "libc-", "libstdc++.so", "libgcc_s.so", "libm.so", "ld-linux", "libpthread"})
        if (library.rfind(prefix, 0) == 0) return true;
    return false;
}

// An address and the module it lies in: a return address is looked up one
// byte back, inside the call, as optimised code may end a function with a call.
struct Located {
    Dwfl_Module* module = nullptr;
    Dwarf_Addr lookup = 0;
};

// Frames named in three rounds, each cheaper than the next and each only
// while time is left: library and offset for all, then function names, then
// source lines, first those of shared libraries (test code) and then those
// of the program (rtrun's own frames, whose line table is the largest).
// With `fromFunction` set, the frames inside the first one of that name
// are left out, before any time goes into their lines.
std::vector<Frame> framesAt(Dwfl* dwfl, const std::vector<std::pair<Dwarf_Addr, bool>>& addresses, double seconds,
                            const std::string& fromFunction) {
    const double deadline = Process::monotonicSeconds() + seconds;
    std::vector<Frame> frames(addresses.size());
    std::vector<Located> located(addresses.size());
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const Dwarf_Addr address = addresses[i].first;
        const Dwarf_Addr lookup = addresses[i].second && address > 0 ? address - 1 : address;
        Dwfl_Module* module = dwfl_addrmodule(dwfl, lookup);
        Dwarf_Addr start = 0, end = 0;
        const char* name = module ? dwfl_module_info(module, nullptr, &start, &end, nullptr, nullptr, nullptr, nullptr) : nullptr;
        frames[i].offset = address;
        if (!module || lookup < start || lookup >= end) continue;
        if (name) {
            const char* slash = std::strrchr(name, '/');
            frames[i].library = slash ? slash + 1 : name;
        }
        frames[i].offset = address - start;
        located[i] = {module, lookup};
    }
    // The C and C++ runtimes' symbol tables are the largest and their names
    // the least needed: on a loaded machine the time may run out before them.
    for (const bool runtime : {false, true})
        for (std::size_t i = 0; i < frames.size() && Process::monotonicSeconds() < deadline; ++i)
            if (located[i].module && isRuntime(frames[i].library) == runtime)
                if (const char* symbol = dwfl_module_addrname(located[i].module, located[i].lookup))
                    frames[i].function = demangled(symbol);
    if (!fromFunction.empty()) {
        std::size_t first = 0;
        while (first < frames.size() && frames[first].function != fromFunction) ++first;
        if (first < frames.size()) {
            frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(first));
            located.erase(located.begin(), located.begin() + static_cast<std::ptrdiff_t>(first));
        }
    }
    for (const bool sharedLibraries : {true, false}) {
        for (std::size_t i = 0; i < frames.size() && Process::monotonicSeconds() < deadline; ++i) {
            const bool shared = frames[i].library.find(".so") != std::string::npos;
            if (!located[i].module || shared != sharedLibraries || !hasOwnLines(located[i].module)) continue;
            int number = 0;
            Dwfl_Line* line = dwfl_module_getsrc(located[i].module, located[i].lookup);
            if (const char* file = line ? dwfl_lineinfo(line, nullptr, &number, nullptr, nullptr, nullptr) : nullptr) {
                frames[i].file = file;
                frames[i].line = number;
            }
        }
    }
    return frames;
}

struct Walk {
    std::uint64_t fromPc;
    bool started;
    double deadline;
    std::vector<std::pair<Dwarf_Addr, bool>> addresses;  // and whether it is a return address
};

int onFrame(Dwfl_Frame* state, void* context) {
    Walk& walk = *static_cast<Walk*>(context);
    Dwarf_Addr pc = 0;
    bool activation = false;
    if (!dwfl_frame_pc(state, &pc, &activation)) return DWARF_CB_ABORT;
    walk.started |= pc == walk.fromPc;
    if (walk.started) walk.addresses.emplace_back(pc, !activation);
    return walk.addresses.size() >= kMaxFrames || Process::monotonicSeconds() > walk.deadline ? DWARF_CB_ABORT
                                                                                                : DWARF_CB_OK;
}

// Walks one thread, then names its frames; frames before the one at
// `fromPc` are left out, unless it never comes (then all are kept). The
// walk and the naming each have half of the time.
void walkThread(Dwfl* dwfl, Dwfl_Thread* thread, int tid, std::uint64_t fromPc, const std::string& fromFunction,
                double seconds, std::vector<Frame>& frames) {
    Walk walk{fromPc, fromPc == 0, Process::monotonicSeconds() + seconds / 2, {}};
    if (thread) dwfl_thread_getframes(thread, &onFrame, &walk);
    else dwfl_getthread_frames(dwfl, tid, &onFrame, &walk);
    if (!walk.started) {
        walk.started = true;
        if (thread) dwfl_thread_getframes(thread, &onFrame, &walk);
        else dwfl_getthread_frames(dwfl, tid, &onFrame, &walk);
    }
    frames = framesAt(dwfl, walk.addresses, seconds / 2, fromFunction);
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
    walkThread(walk.dwfl, thread, 0, 0, std::string(), kWalkSeconds, walk.threads->back().frames);
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

bool threadStack(int pid, int tid, std::uint64_t fromPc, const std::string& fromFunction, std::vector<Frame>& frames,
                 std::string& problem) {
    Session dwfl = open(pid, problem);
    if (!dwfl || !attach(dwfl.get(), pid, problem)) return false;
    walkThread(dwfl.get(), nullptr, tid, fromPc, fromFunction, kWalkSeconds, frames);
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

bool symbolise(int pid, const std::vector<std::uint64_t>& addresses, std::uint64_t fromPc, const std::string& fromFunction,
               std::vector<Frame>& frames, std::string& problem) {
    Session dwfl = open(pid, problem);
    if (!dwfl) return false;
    std::size_t first = 0;
    while (first < addresses.size() && addresses[first] != fromPc) ++first;
    if (first == addresses.size()) first = 0;
    std::vector<std::pair<Dwarf_Addr, bool>> kept;
    for (std::size_t i = first; i < addresses.size() && kept.size() < kMaxFrames; ++i)
        kept.emplace_back(addresses[i], addresses[i] != fromPc);
    frames = framesAt(dwfl.get(), kept, kWalkSeconds, fromFunction);
    return true;
}

} // namespace Stacks
} // namespace rtrun
