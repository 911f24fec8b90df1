// Several jobs at once need children that share a board of claims, which
// rtrun on Windows cannot hand over yet: such a run cannot start there.
#include "rtrun/supervise/JobsSupervisor.h"
#include "rtrun/system/ExitStatus.h"
#include <cstdio>

namespace rtrun {

int superviseJobs(const RunPlan&) {
    std::fprintf(stderr, "rtrun: --jobs above 1 is not available on Windows yet: run the tests with one job\n");
    return eCannotRun;
}

} // namespace rtrun
