// Supervision on Windows is not there yet: a run asked for without
// --in-process runs in rtrun's own process and says so; one that needs a
// supervisor (a time limit on tests, several jobs) cannot run at all.
#include "rtrun/supervise/JobsSupervisor.h"
#include "rtrun/supervise/Supervisor.h"
#include "rtrun/run/InProcessRun.h"
#include "rtrun/system/ExitStatus.h"
#include <cstdio>

namespace rtrun {

int superviseRun(const RunPlan& plan) {
    if (plan.timeout > 0) {
        std::fprintf(stderr, "rtrun: a time limit on tests (--timeout, KXRT_TEST_TIMEOUT) needs a supervised run, "
                             "which rtrun on Windows cannot do yet\n");
        return eCannotRun;
    }
    std::fprintf(stderr, "rtrun: supervised runs are not available on Windows yet: the tests run in rtrun's own "
                         "process (as with --in-process)\n");
    return runInProcess(plan);
}

int superviseJobs(const RunPlan&) {
    std::fprintf(stderr, "rtrun: --jobs runs tests in child processes, which rtrun on Windows cannot do yet\n");
    return eCannotRun;
}

} // namespace rtrun
