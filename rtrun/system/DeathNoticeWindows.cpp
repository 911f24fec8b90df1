// The child's side of a death on Windows: the unhandled-exception filter and
// the exit() notice. With a supervisor's note the filter describes the
// exception there and waits while the supervisor takes the stack; without
// one (rtrun's own process) it prints the exception and the dying thread's
// frames, as far as DbgHelp names them, on standard error.
#include "rtrun/system/CrashNote.h"
#include "rtrun/system/DeathNotice.h"
#include "rtrun/system/Process.h"
#include "rtrun/system/StackWalkWindows.h"
#include <windows.h>
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>

namespace rtrun {
namespace Process {

namespace {

// How long a dying child waits for its supervisor at each step: long enough
// for a loaded machine (DbgHelp under a loaded Wine takes seconds to load a
// process's symbols, and a walk from outside up to 3 seconds more), short
// enough that a supervisor gone astray costs little. (A supervisor that is
// gone costs nothing: its job object has ended this process.)
constexpr double kWaitSeconds = 10;
// How long it waits to be noticed at all: the supervisor may first finish
// walking another child's threads.
constexpr double kNoticeSeconds = 15;
// The longest a death takes to tell, all steps waited out.
constexpr double kTellingSeconds = kNoticeSeconds + 2 * kWaitSeconds;
static_assert(kTellingSeconds < CrashNote::kLongestTellingSeconds, "the supervisor would time out a dying child");

CrashNote* g_note = nullptr;

// Waits until the note leaves `state`; false when the supervisor did not answer in time.
bool waitWhile(int state, double seconds = kWaitSeconds) {
    const double deadline = monotonicSeconds() + seconds;
    while (g_note->state.load(std::memory_order_acquire) == state) {
        if (monotonicSeconds() > deadline) return false;
        ::Sleep(1);
    }
    return true;
}

// The thread that died: the one that runs this, unless a stack overflow
// left it too little stack and a thread of its own took over.
struct Dying {
    HANDLE thread;
    DWORD tid;
};

Dying thisThread() { return Dying{::GetCurrentThread(), ::GetCurrentThreadId()}; }

void captureReturnAddresses(const CONTEXT& context, const Dying& dying) {
    const HANDLE process = ::GetCurrentProcess();
    WindowsStacks::Symbols symbols(process);
    const double deadline = monotonicSeconds() + kWaitSeconds;
    const std::vector<std::uint64_t> addresses =
        WindowsStacks::walk(process, dying.thread, context, CrashNote::kMaxFrames, deadline);
    const std::size_t count = std::min(addresses.size(), static_cast<std::size_t>(CrashNote::kMaxFrames));
    std::copy(addresses.begin(), addresses.begin() + static_cast<std::ptrdiff_t>(count), g_note->frames);
    g_note->frameCount = static_cast<int>(count);
}

// Tells the supervisor, and waits while it takes the stack from outside or,
// when it asks for them, captures the return addresses from `context`.
void tellAndWait(const CONTEXT& context, const Dying& dying) {
    g_note->tid = static_cast<int>(dying.tid);
    g_note->when = monotonicSeconds();
    g_note->state.store(CrashNote::eWaiting, std::memory_order_release);
    if (!waitWhile(CrashNote::eWaiting, kNoticeSeconds)) return;
    if (g_note->state.load(std::memory_order_acquire) != CrashNote::eCaptureYourself) return;
    captureReturnAddresses(context, dying);
    g_note->state.store(CrashNote::eCaptured, std::memory_order_release);
    waitWhile(CrashNote::eCaptured);
}

void describe(const EXCEPTION_POINTERS& pointers, const Dying& dying) {
    const EXCEPTION_RECORD& record = *pointers.ExceptionRecord;
    g_note->cause = CrashNote::eException;
    g_note->code = static_cast<int>(record.ExceptionCode);
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
        g_note->sender = static_cast<int>(record.ExceptionInformation[0]);
        g_note->address = record.ExceptionInformation[1];
    }
    g_note->pc = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
    tellAndWait(*pointers.ContextRecord, dying);
}

// Another thread that dies meanwhile waits until the first one has been
// described: the process ends as the first one returns.
void waitForTheFirst() {
    const double deadline = monotonicSeconds() + kTellingSeconds;
    while (g_note->state.load(std::memory_order_acquire) != CrashNote::eTaken && monotonicSeconds() < deadline)
        ::Sleep(1);
}

void printStack(const CONTEXT& context, const Dying& dying) {
    const HANDLE process = ::GetCurrentProcess();
    WindowsStacks::Symbols symbols(process);
    const double deadline = monotonicSeconds() + kWaitSeconds;
    const std::vector<std::uint64_t> addresses =
        WindowsStacks::walk(process, dying.thread, context, WindowsStacks::kMaxFrames, deadline);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const Stacks::Frame frame = WindowsStacks::frameAt(process, addresses[i], i > 0);
        std::fprintf(stderr, "%s\n", Stacks::frameText(i, frame).c_str());
    }
}

void tellOfDeath(EXCEPTION_POINTERS* pointers, const Dying& dying) {
    if (g_note) {
        if (g_note->claimed.exchange(1) == 0) describe(*pointers, dying);
        else waitForTheFirst();
    } else {
        std::fflush(stdout);
        std::fprintf(stderr, "rtrun: exception %s; the stack as the dying process sees it:\n",
                     exceptionText(pointers->ExceptionRecord->ExceptionCode).c_str());
        printStack(*pointers->ContextRecord, dying);
        std::fflush(stderr);
    }
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* pointers) {
    tellOfDeath(pointers, thisThread());
    // The process ends with the exception as its status, as it would have,
    // but without a debugger the system may start and wait for.
    return EXCEPTION_EXECUTE_HANDLER;
}

struct Overflow {
    EXCEPTION_POINTERS* pointers;
    Dying dying;
};

DWORD WINAPI tellOfOverflow(void* argument) {
    const Overflow& overflow = *static_cast<const Overflow*>(argument);
    tellOfDeath(overflow.pointers, overflow.dying);
    return 0;
}

// A stack overflow leaves its thread a page of stack: too little for the
// filter, which Wine does not even reach (it ends the thread). This handler
// comes before any frame's own, hands the telling to a thread with a stack
// of its own while the dying thread waits here, frames intact for a walk
// from outside, and ends the process with the exception as its status. (A
// test that would catch its own stack overflow is not given the chance.)
// The wait is bounded: a teller stuck on a lock the dying thread held must
// not keep the process alive.
LONG WINAPI onStackOverflow(EXCEPTION_POINTERS* pointers) {
    const DWORD code = pointers->ExceptionRecord->ExceptionCode;
    if (code != EXCEPTION_STACK_OVERFLOW) return EXCEPTION_CONTINUE_SEARCH;
    HANDLE self = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &self, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    Overflow overflow{pointers, Dying{self, ::GetCurrentThreadId()}};
    if (const HANDLE teller = ::CreateThread(nullptr, 1 << 20, &tellOfOverflow, &overflow, 0, nullptr))
        ::WaitForSingleObject(teller, static_cast<DWORD>((kTellingSeconds + kWaitSeconds) * 1000));
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), code);
    return EXCEPTION_CONTINUE_SEARCH;
}

// abort() raises SIGABRT and then ends the process with status 3: no
// exception. The handler, where the test left the default action, tells the
// supervisor and ends the process itself; its stack starts in the handler.
void onAbort(int signal) {
    if (g_note->claimed.exchange(1) != 0) {
        waitForTheFirst();
        return;
    }
    g_note->cause = CrashNote::eSignal;
    g_note->signal = signal;
    CONTEXT context{};
    ::RtlCaptureContext(&context);
    g_note->pc = context.Rip;
    tellAndWait(context, thisThread());
    // As abort() would end, but at once: its _exit() would let the libraries'
    // destructors run as they unload, and write on into the report.
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
}

} // namespace

void noticeDeaths(CrashNote* note) {
    g_note = note;
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);  // no dialog waiting for a user
    ::SetUnhandledExceptionFilter(&onUnhandledException);
    static const void* const overflowHandler = ::AddVectoredExceptionHandler(1, &onStackOverflow);  // once
    (void)overflowHandler;
    if (note) {
        const auto previous = std::signal(SIGABRT, &onAbort);
        if (previous != SIG_DFL && previous != SIG_ERR) std::signal(SIGABRT, previous);  // the test's own stays
    }
}

void noticeExit() {
    if (!g_note || g_note->claimed.exchange(1) != 0) return;
    g_note->cause = CrashNote::eExit;
    // Taken here, so that the frames it starts from stay as they are while this waits.
    CONTEXT context{};
    ::RtlCaptureContext(&context);
    tellAndWait(context, thisThread());
}

} // namespace Process
} // namespace rtrun
