#include "rtrun/run/ProcessWatch.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Process.h"
#include <cstdio>
#include <string>

namespace rtrun {

namespace {

std::string where(const Rt::TestInfo& info) {
    return info.group.toStdString() + "/" + info.caseName.toStdString() + " (" + info.script.toStdString() +
           ", test " + std::to_string(info.position + 1) + ")";
}

} // namespace

ProcessWatch::ProcessWatch() {
    Process::adoptOrphans();
    Process::watchForks();
}

void ProcessWatch::endIfCopy(const Rt::TestInfo& info) const {
    if (!Process::isForkedCopy()) return;
    std::fprintf(stderr, "rtrun: a process that test code forked in %s returned into the framework; it ends here\n",
                 where(info).c_str());
    Process::endNow(eFailed);
}

void ProcessWatch::testNotCreated(const Rt::TestInfo& info, Rt::CreationFailure, const KxString&) { endIfCopy(info); }

void ProcessWatch::testDestroying(const Rt::TestInfo& info) { endIfCopy(info); }

void ProcessWatch::testInitializing(const Rt::TestInfo& info) { endIfCopy(info); }

void ProcessWatch::testStarted(const Rt::TestInfo& info, const Rt::TestSet&, int) { endIfCopy(info); }

void ProcessWatch::testDestroyed(const Rt::TestInfo& info) { endIfCopy(info); }

void ProcessWatch::testEnded(const Rt::TestInfo& info, const Rt::TestSet&, bool) {
    endIfCopy(info);
    if (!Process::hasLiveChildren()) return;  // one system call per test, and nothing more when none is left
    std::string named;
    for (const std::string& process : Process::killChildren()) named += (named.empty() ? "" : ", ") + process;
    if (named.empty()) return;
    std::fflush(stdout);
    std::fprintf(stderr, "rtrun: warning: %s left processes running after its body; they are killed: %s\n",
                 where(info).c_str(), named.c_str());
}

} // namespace rtrun
