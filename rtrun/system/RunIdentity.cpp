#include "rtrun/system/RunIdentity.h"
#include "env/Platform.h"

namespace rtrun {

RunIdentity identifyRun(const std::string& given) {
    if (!given.empty()) return {given, "--run-id"};
    for (const char* name : {"SLURM_ARRAY_JOB_ID", "CI_PIPELINE_ID", "GITHUB_RUN_ID", "BUILD_TAG"}) {
        const char* value = Rt::Platform::environment(name);
        if (value && *value) return {value, name};
    }
    return {};
}

std::string runIdentity(const std::string& given) { return identifyRun(given).id; }

} // namespace rtrun
