#pragma once
#include "rtrun/cli/Options.h"
#include "rtrun/run/RunPlan.h"
#include <string>

namespace rtrun {

// The plan of a run (or a listing) from the command line and the
// environment, checked before the framework loads any test library; false,
// with the reason, when the run cannot happen.
bool makePlan(const Options& options, RunPlan& plan, std::string& problem);

// Resolves the plan's scripts, claims the result directory and runs the
// plan, supervised or in rtrun's own process; returns the exit status.
int executePlan(RunPlan& plan, bool inProcess);

} // namespace rtrun
