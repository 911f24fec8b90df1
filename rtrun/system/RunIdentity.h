#pragma once
#include <string>

namespace rtrun {

// What ties a run to the job that started it, and where that came from.
struct RunIdentity {
    std::string id;      // empty when nothing names the run
    std::string source;  // "--run-id", or the variable it was read from
};

// `given` (a run id asked for on the command line) when not empty, else the
// first set of the variables a scheduler or CI server sets for all the runs
// of one job (SLURM_ARRAY_JOB_ID, CI_PIPELINE_ID, GITHUB_RUN_ID, BUILD_TAG).
RunIdentity identifyRun(const std::string& given);
// The same, its id alone.
std::string runIdentity(const std::string& given = "");

} // namespace rtrun
