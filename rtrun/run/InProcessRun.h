#pragma once
#include "rtrun/run/RunPlan.h"
#include "rtrun/run/ScriptSelection.h"

namespace rtrun {

// Loads the test libraries and runs (or, for --list, lists) the scripts in
// this process; returns the exit status. Without a piece it closes with
// rtrun's summary; a supervised first piece does too when nothing ends it
// early, while a later piece leaves its report and log to the supervisor.
int runInProcess(const RunPlan& plan, const Piece* piece = nullptr);

// The tests of the scripts, in script order, found without creating any.
std::vector<PlannedTest> planTests(const std::vector<std::string>& scripts);
// The tests of the plan's scripts its filter and shard select, found the same way.
std::vector<PlannedTest> selectedTests(const RunPlan& plan);

} // namespace rtrun
