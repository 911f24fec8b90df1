// Cancelling from the console: Ctrl+C, Ctrl+Break and closing the console
// window (or logging off, shutting down) stand for SIGINT, SIGBREAK and
// SIGTERM, the numbers the exit status and the messages carry.
#include "rtrun/system/Process.h"
#include <windows.h>
#include <atomic>
#include <csignal>

namespace rtrun {
namespace Process {

namespace {

std::atomic<int> g_signal{0};
// After a close event the system ends the process a few seconds after the
// handler returns: the run gets that long to complete its report.
constexpr DWORD kCloseGraceMs = 4500;

int signalOf(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT: return SIGINT;
    case CTRL_BREAK_EVENT: return SIGBREAK;
    default: return SIGTERM;  // the console closed, the user logged off, the system shuts down
    }
}

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI onConsoleEvent(DWORD event) {
    const int signal = signalOf(event);
    int none = 0;
    if (!g_signal.compare_exchange_strong(none, signal)) {
        std::fflush(nullptr);
        ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(128 + signal));
    }
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) ::Sleep(kCloseGraceMs);
    return TRUE;
}

} // namespace

void watchCancelSignals() {
    static bool watching = false;
    if (!watching) watching = ::SetConsoleCtrlHandler(&onConsoleEvent, TRUE) != 0;
}

int cancelSignal() { return g_signal.load(); }

namespace {

BOOL WINAPI leftToSupervisor(DWORD) { return TRUE; }

} // namespace

void leaveCancelToSupervisor() { ::SetConsoleCtrlHandler(&leftToSupervisor, TRUE); }

} // namespace Process
} // namespace rtrun
