#pragma once
#include "rtrun/run/RunPlan.h"

namespace rtrun {

// Runs the plan in a child process and watches it. When the child dies
// before its run is finished (a signal, exit() from test code, a test
// killed for running too long), a new child runs the rest of the scripts,
// from the test after the one that died, writing into a private directory;
// at the end the pieces become the run's one report. Returns the exit status.
int superviseRun(const RunPlan& plan);

} // namespace rtrun
