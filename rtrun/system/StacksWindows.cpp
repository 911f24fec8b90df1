// Stacks of another process through DbgHelp: its modules as the process has
// loaded them, each thread suspended for the moment of its walk, names from
// symbol tables, lines from the debug information DbgHelp reads.
#include "rtrun/system/Stacks.h"
#include "rtrun/system/Process.h"
#include "rtrun/system/StackWalkWindows.h"
#include <windows.h>
#include <tlhelp32.h>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

namespace rtrun {
namespace Stacks {

namespace {

constexpr std::size_t kMaxThreads = 64;
// For one thread: to walk its stack, then to name its frames. DbgHelp reads
// a module when an address first needs it: under Wine a walk takes a few
// tenths of a second, and so does the first name in each system DLL (whose
// debug information it reads whole); the rest take milliseconds. A loaded
// machine takes several times as long. (A dying child waits 5 seconds for
// its stack to be taken.)
constexpr double kWalkSeconds = 3;
// For all threads of a process: the first ones get their stacks.
constexpr double kAllThreadsSeconds = 5;

// DbgHelp serves one caller at a time.
std::mutex g_dbgHelp;

// "what: the system's text (error 5)", for the error the last failed call left.
std::string systemError(const std::string& what, DWORD error) {
    char text[256] = "";
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                    sizeof(text), nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.'))
        text[--length] = 0;
    const std::string number = "error " + std::to_string(error);
    return what + ": " + (length ? std::string(text) + " (" + number + ")" : number);
}

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() {
        if (m_handle && m_handle != INVALID_HANDLE_VALUE) ::CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

// The process and DbgHelp's view of it, open for as long as this lives.
class Session {
public:
    explicit Session(int pid)
        : m_process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(pid))) {
        if (!m_process.valid()) {
            const DWORD error = ::GetLastError();
            m_problem = systemError("cannot open process " + std::to_string(pid), error);
            return;
        }
        m_symbols.reset(new WindowsStacks::Symbols(m_process.get()));
        if (!m_symbols->ready()) m_problem = systemError("DbgHelp cannot read the process", ::GetLastError());
    }
    bool ready() const { return m_problem.empty(); }
    const std::string& problem() const { return m_problem; }
    HANDLE process() const { return m_process.get(); }

private:
    std::lock_guard<std::mutex> m_lock{g_dbgHelp};
    Handle m_process;
    std::unique_ptr<WindowsStacks::Symbols> m_symbols;
    std::string m_problem;
};

// The thread's frame addresses, innermost first, the thread suspended only
// while it is walked.
bool threadAddresses(HANDLE process, int pid, int tid, int maxFrames, double deadline,
                     std::vector<std::uint64_t>& addresses, std::string& problem) {
    Handle thread(::OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE,
                               static_cast<DWORD>(tid)));
    const DWORD openError = ::GetLastError();
    const std::string which = "thread " + std::to_string(tid);
    if (!thread.valid()) {
        problem = systemError("cannot open " + which, openError);
        return false;
    }
    if (::GetProcessIdOfThread(thread.get()) != static_cast<DWORD>(pid)) {
        problem = which + " is not one of process " + std::to_string(pid);
        return false;
    }
    CONTEXT context{};
    context.ContextFlags = CONTEXT_FULL;
    if (static_cast<DWORD>(tid) == ::GetCurrentThreadId()) {
        ::RtlCaptureContext(&context);
        addresses = WindowsStacks::walk(process, thread.get(), context, maxFrames, deadline);
    } else {
        if (::SuspendThread(thread.get()) == static_cast<DWORD>(-1)) {
            problem = systemError("cannot suspend " + which, ::GetLastError());
            return false;
        }
        const bool known = ::GetThreadContext(thread.get(), &context) != FALSE;
        if (!known) problem = systemError("cannot read the registers of " + which, ::GetLastError());
        else addresses = WindowsStacks::walk(process, thread.get(), context, maxFrames, deadline);
        ::ResumeThread(thread.get());
        if (!known) return false;
    }
    if (addresses.empty()) problem = "no frame of " + which + " could be walked";
    return !addresses.empty();
}

// Whether a module is one of the system's (in its Windows directory): the
// least needed names, and the slowest to read.
bool isSystemModule(const std::string& path) {
    char windows[MAX_PATH] = "";
    const UINT length = ::GetSystemWindowsDirectoryA(windows, sizeof(windows));
    return length > 0 && length < sizeof(windows) && ::_strnicmp(path.c_str(), windows, length) == 0;
}

// Frames named in rounds, each only while time is left: module and offset
// for all; then names and lines, first of the test's and the program's
// frames, then of the system's. With `fromFunction` set, the frames inside
// the first one of that name are left out as soon as it is named, before
// any time goes into their lines. `returnAddresses` tells, for each
// address, whether it is one.
std::vector<Frame> framesAt(HANDLE process, const std::vector<std::uint64_t>& addresses,
                            const std::vector<bool>& returnAddresses, double seconds, const std::string& fromFunction) {
    const double deadline = Process::monotonicSeconds() + seconds;
    std::vector<Frame> frames(addresses.size());
    std::vector<int> tiers(addresses.size());  // 0 the test's and the program's, 1 the system's, 2 unknown
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const std::string path = WindowsStacks::locate(process, addresses[i], frames[i]);
        tiers[i] = path.empty() ? 2 : isSystemModule(path) ? 1 : 0;
    }
    std::size_t first = 0;
    bool started = fromFunction.empty();
    for (const int tier : {0, 1}) {
        for (std::size_t i = 0; i < frames.size() && Process::monotonicSeconds() < deadline; ++i)
            if (tiers[i] == tier) WindowsStacks::nameFunction(process, addresses[i], returnAddresses[i], frames[i]);
        for (std::size_t i = 0; i < frames.size() && !started; ++i)
            if (frames[i].function == fromFunction) {
                first = i;
                started = true;
            }
        for (std::size_t i = first; i < frames.size() && Process::monotonicSeconds() < deadline; ++i)
            if (tiers[i] == tier) WindowsStacks::findLine(process, addresses[i], returnAddresses[i], frames[i]);
    }
    frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(first));
    return frames;
}

// Where a walk's frames start: at the one at `fromPc`; npos when it never comes.
std::size_t startOf(const std::vector<std::uint64_t>& addresses, std::uint64_t fromPc) {
    if (fromPc == 0) return 0;
    const auto at = std::find(addresses.begin(), addresses.end(), fromPc);
    return at == addresses.end() ? std::string::npos : static_cast<std::size_t>(at - addresses.begin());
}

// The frames of a walk from its frame `first` on: the first of them is where
// the thread was (or the frame it died in), the others are return addresses.
std::vector<Frame> walkedFrames(HANDLE process, const std::vector<std::uint64_t>& addresses, std::size_t first,
                                const std::string& fromFunction, double seconds) {
    const std::vector<std::uint64_t> kept(addresses.begin() + static_cast<std::ptrdiff_t>(first), addresses.end());
    std::vector<bool> returnAddresses(kept.size(), true);
    if (!returnAddresses.empty()) returnAddresses[0] = false;
    return framesAt(process, kept, returnAddresses, seconds, fromFunction);
}

} // namespace

bool threadStack(int pid, int tid, std::uint64_t fromPc, const std::string& fromFunction, std::vector<Frame>& frames,
                 std::string& problem) {
    Session session(pid);
    if (!session.ready()) {
        problem = session.problem();
        return false;
    }
    // A thread that died of an exception waits in the process's exception
    // filter, called by the system's exception dispatcher: its own frames
    // start past them, at the frame it died in, where the walk goes on
    // with the registers the dispatcher saved. Those frames count on top.
    const int maxFrames = fromPc ? 2 * WindowsStacks::kMaxFrames : WindowsStacks::kMaxFrames;
    std::vector<std::uint64_t> addresses;
    const double deadline = Process::monotonicSeconds() + kWalkSeconds / 2;
    if (!threadAddresses(session.process(), pid, tid, maxFrames, deadline, addresses, problem)) return false;
    const std::size_t first = startOf(addresses, fromPc);
    if (first == std::string::npos) {
        problem = "the walk from outside did not reach the frame it died in";
        return false;
    }
    addresses.resize(std::min(addresses.size(), first + WindowsStacks::kMaxFrames));
    frames = walkedFrames(session.process(), addresses, first, fromFunction, kWalkSeconds / 2);
    return true;
}

bool allThreads(int pid, int firstTid, std::vector<Thread>& threads, std::string& problem) {
    const double deadline = Process::monotonicSeconds() + kAllThreadsSeconds;
    Session session(pid);
    if (!session.ready()) {
        problem = session.problem();
        return false;
    }
    Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot.valid()) {
        problem = systemError("cannot list the threads", ::GetLastError());
        return false;
    }
    std::vector<int> tids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == static_cast<DWORD>(pid)) tids.push_back(static_cast<int>(entry.th32ThreadID));
    const auto first = std::find(tids.begin(), tids.end(), firstTid);
    if (first != tids.end()) std::rotate(tids.begin(), first, first + 1);
    // Each thread in its own time: a corrupt one does not starve the others.
    const std::size_t count = std::min(tids.size(), kMaxThreads);
    for (std::size_t i = 0; i < count && (i == 0 || Process::monotonicSeconds() < deadline); ++i) {
        threads.push_back(Thread{tids[i], {}});
        std::vector<std::uint64_t> addresses;
        std::string threadProblem;
        if (threadAddresses(session.process(), pid, tids[i], WindowsStacks::kMaxFrames,
                            Process::monotonicSeconds() + kWalkSeconds / 2, addresses, threadProblem))
            threads.back().frames = walkedFrames(session.process(), addresses, 0, std::string(), kWalkSeconds / 2);
        else if (i == 0)
            problem = threadProblem;
    }
    if (threads.empty()) problem = "process " + std::to_string(pid) + " has no threads";
    return !threads.empty() && !threads[0].frames.empty();
}

bool symbolise(int pid, const std::vector<std::uint64_t>& addresses, std::uint64_t fromPc, const std::string& fromFunction,
               std::vector<Frame>& frames, std::string& problem) {
    Session session(pid);
    if (!session.ready()) {
        problem = session.problem();
        return false;
    }
    std::size_t first = startOf(addresses, fromPc);
    if (first == std::string::npos) first = 0;
    std::vector<std::uint64_t> kept;
    std::vector<bool> returnAddresses;
    const std::size_t end = std::min(addresses.size(), first + WindowsStacks::kMaxFrames);
    for (std::size_t i = first; i < end; ++i) {
        kept.push_back(addresses[i]);
        returnAddresses.push_back(addresses[i] != fromPc);
    }
    frames = framesAt(session.process(), kept, returnAddresses, kWalkSeconds, fromFunction);
    return true;
}

} // namespace Stacks
} // namespace rtrun
