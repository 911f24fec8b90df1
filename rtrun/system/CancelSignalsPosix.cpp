#include "rtrun/system/CancelSignalsPosix.h"
#include "rtrun/system/Process.h"
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace rtrun {
namespace Process {

namespace {

constexpr int kCancelSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_signal = 0;
// As many as children can run at once; a slot holds a group, or 0.
constexpr int kMaxGroups = 1024;
volatile std::sig_atomic_t g_groups[kMaxGroups] = {};
bool g_watched[sizeof(kCancelSignals) / sizeof(kCancelSignals[0])] = {};

void onCancel(int signal) {
    if (g_signal == 0) {
        g_signal = signal;
        return;
    }
    for (int i = 0; i < kMaxGroups; ++i)
        if (g_groups[i] > 0) ::kill(-g_groups[i], SIGKILL);
    for (int i = 0; i < kMaxGroups; ++i)
        if (g_groups[i] > 0) ::waitpid(g_groups[i], nullptr, 0);  // the children are gone before rtrun is
    ::_exit(128 + signal);
}

} // namespace

void watchCancelSignals() {
    for (std::size_t i = 0; i < sizeof(kCancelSignals) / sizeof(kCancelSignals[0]); ++i) {
        struct sigaction old{};
        if (g_watched[i] || ::sigaction(kCancelSignals[i], nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        // Installed explicitly: as process 1 of a container, a signal left
        // at its default action would never arrive.
        struct sigaction action{};
        action.sa_handler = &onCancel;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        g_watched[i] = ::sigaction(kCancelSignals[i], &action, nullptr) == 0;
    }
}

int cancelSignal() { return g_signal; }

void addGroupToKill(int group) {
    for (int i = 0; i < kMaxGroups; ++i) {
        if (g_groups[i] != 0) continue;
        g_groups[i] = group;
        return;
    }
}

void removeGroupToKill(int group) {
    for (int i = 0; i < kMaxGroups; ++i)
        if (g_groups[i] == group) g_groups[i] = 0;
}

void restoreStartSignals() {
    g_signal = 0;
    for (int i = 0; i < kMaxGroups; ++i) g_groups[i] = 0;
    for (std::size_t i = 0; i < sizeof(kCancelSignals) / sizeof(kCancelSignals[0]); ++i)
        if (g_watched[i]) ::signal(kCancelSignals[i], SIG_DFL);
}

// A child in a process group of its own never gets the terminal's signals.
void leaveCancelToSupervisor() {}

} // namespace Process
} // namespace rtrun
