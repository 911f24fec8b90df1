#pragma once
#include "rtrun/run/RunPlan.h"

namespace rtrun {

// Runs the plan in `plan.jobs` child processes at once. Each child walks the
// scripts and runs the units (tests, or groups) it claims from a board they
// share, longest first when earlier times are known; a child that dies is
// replaced, and the rest of its unit runs in the next one. The children's
// pieces become the run's one report, in script order, as if one process
// had run them. Returns the exit status.
int superviseJobs(const RunPlan& plan);

} // namespace rtrun
