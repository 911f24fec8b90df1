// The child's side of a death its supervisor describes: the fatal-signal
// handler and the exit() notice. Everything here is async-signal-safe.
#include "rtrun/system/DeathNotice.h"
#include "rtrun/system/CrashNote.h"
#include <csignal>
#include <cstdint>
#include <ctime>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <execinfo.h>
#endif

namespace rtrun {
namespace Process {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};
// How long a dying child waits for its supervisor at each step: long enough
// for a loaded machine, short enough that a supervisor gone astray costs little.
constexpr double kWaitSeconds = 3;

CrashNote* g_note = nullptr;
pid_t g_pid = 0;  // the child the note belongs to, not a copy test code forked
alignas(16) char g_altStack[64 * 1024];

std::uint64_t pcOf(void* context) {
#if defined(__x86_64__)
    return static_cast<std::uint64_t>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<std::uint64_t>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#else
    (void)context;
    return 0;
#endif
}

// Waits until the note leaves `state`; false when the supervisor did not answer in time.
bool waitWhile(int state) {
    const struct timespec pause{0, 1000000};
    for (int i = 0; i < kWaitSeconds * 1000; ++i) {
        if (g_note->state.load(std::memory_order_acquire) != state) return true;
        ::nanosleep(&pause, nullptr);
    }
    return false;
}

void captureReturnAddresses() {
#if defined(__GLIBC__)
    void* addresses[CrashNote::kMaxFrames];
    const int count = ::backtrace(addresses, CrashNote::kMaxFrames);
    for (int i = 0; i < count; ++i) g_note->frames[i] = reinterpret_cast<std::uintptr_t>(addresses[i]);
    g_note->frameCount = count;
#endif
}

// Tells the supervisor, and waits while it takes the stack from outside or,
// when it asks for them, captures the return addresses here.
void tellAndWait() {
    g_note->tid = static_cast<int>(::syscall(SYS_gettid));
    struct timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    g_note->when = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    g_note->state.store(CrashNote::eWaiting, std::memory_order_release);
    if (!waitWhile(CrashNote::eWaiting)) return;
    if (g_note->state.load(std::memory_order_acquire) != CrashNote::eCaptureYourself) return;
    captureReturnAddresses();
    g_note->state.store(CrashNote::eCaptured, std::memory_order_release);
    waitWhile(CrashNote::eCaptured);
}

// Without a supervisor: the return addresses, as far as glibc names them,
// straight to standard error (no allocation, no lock).
void printOwnStack() {
#if defined(__GLIBC__)
    static const char kHead[] = "rtrun: a fatal signal; the stack as the dying process sees it:\n";
    if (::write(STDERR_FILENO, kHead, sizeof(kHead) - 1) < 0) return;
    void* addresses[CrashNote::kMaxFrames];
    ::backtrace_symbols_fd(addresses, ::backtrace(addresses, CrashNote::kMaxFrames), STDERR_FILENO);
#endif
}

void onFatalSignal(int signal, siginfo_t* info, void* context) {
    if (!g_note) {
        printOwnStack();
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    // Only the first thread that dies, and only in the child itself; a
    // second one waits for the first to be described.
    if (::getpid() == g_pid) {
        if (g_note->claimed.exchange(1) == 0) {
            g_note->cause = CrashNote::eSignal;
            g_note->signal = signal;
            g_note->code = info->si_code;
            g_note->sender = info->si_code <= 0 ? static_cast<int>(info->si_pid) : 0;
            g_note->address = reinterpret_cast<std::uintptr_t>(info->si_addr);
            g_note->pc = pcOf(context);
            tellAndWait();
        } else {
            waitWhile(CrashNote::eNone);
            waitWhile(CrashNote::eWaiting);
        }
    }
    // Dies of the same signal: pending while this handler runs, it is
    // delivered at its default action as the handler returns.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

void noticeDeaths(CrashNote* note) {
    g_note = note;
    g_pid = ::getpid();
#if defined(__GLIBC__)
    // backtrace() loads its unwinder on first use: here, not in a handler.
    void* warmUp[1];
    ::backtrace(warmUp, 1);
#endif
    stack_t alternate{};
    alternate.ss_sp = g_altStack;
    alternate.ss_size = sizeof(g_altStack);
    ::sigaltstack(&alternate, nullptr);
    for (int signal : kFatalSignals) {
        struct sigaction old{};
        if (::sigaction(signal, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) continue;
        struct sigaction action{};
        action.sa_sigaction = &onFatalSignal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

void noticeExit() {
    if (!g_note || ::getpid() != g_pid || g_note->claimed.exchange(1) != 0) return;
    g_note->cause = CrashNote::eExit;
    tellAndWait();
}

} // namespace Process
} // namespace rtrun
