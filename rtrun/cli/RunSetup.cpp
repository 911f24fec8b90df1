#include "rtrun/cli/RunSetup.h"
#include "rtrun/cli/SuiteSetup.h"
#include "rtrun/run/InProcessRun.h"
#include "rtrun/run/PublishUrl.h"
#include "rtrun/run/RunSlot.h"
#include "rtrun/supervise/JobsSupervisor.h"
#include "rtrun/supervise/Supervisor.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "rtrun/system/RunIdentity.h"
#include "rtrun/system/Process.h"
#include "env/Platform.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace rtrun {

namespace {

// The directories of --lib-dir and KXRT_LIB_PATH, in that order.
std::vector<std::string> extraLibraryDirs(const Options& options) {
    std::vector<std::string> dirs = options.libDirs;
    if (const char* path = Rt::Platform::environment("KXRT_LIB_PATH")) {
        std::istringstream list(path);
        for (std::string dir; std::getline(list, dir, Rt::Platform::pathListSeparator());)
            if (!dir.empty()) dirs.push_back(dir);
    }
    return dirs;
}

// The run's shard: --shard, else the sharding variables test runners set.
bool shardOf(const Options& options, RunPlan& plan, std::string& problem) {
    if (options.shardCount > 0) {
        plan.shardIndex = options.shardIndex;
        plan.shardCount = options.shardCount;
    } else {
        const char* total = Rt::Platform::environment("TEST_TOTAL_SHARDS");
        const char* index = Rt::Platform::environment("TEST_SHARD_INDEX");
        if (!total || !*total) return true;
        const std::string shard = std::string(index ? index : "") + "/" + total;
        if (!parseShard(shard, plan.shardIndex, plan.shardCount)) {
            problem = "TEST_SHARD_INDEX and TEST_TOTAL_SHARDS make no shard: '" + shard + "'";
            return false;
        }
    }
    // The test runner asks to be told that sharding is understood.
    if (const char* status = Rt::Platform::environment("TEST_SHARD_STATUS_FILE")) {
        if (*status) std::ofstream(status, std::ios::app);
    }
    return true;
}

// How many tests run at once, and which of them alone.
bool jobsOf(const Options& options, RunPlan& plan, std::string& problem) {
    int jobs = options.jobs;
    const char* variable = Rt::Platform::environment("KXRT_JOBS");
    if (jobs < 0 && variable && *variable && !options.inProcess && !parseJobs(variable, jobs)) {
        problem = std::string("KXRT_JOBS needs a number of jobs from 0 to 1024, not '") + variable + "'";
        return false;
    }
    if (jobs > 1 && options.inProcess) {
        problem = "--jobs runs the tests in child processes: it cannot be used with --in-process";
        return false;
    }
    plan.jobs = jobs == 0 ? Process::usableProcessors() : std::max(jobs, 1);
    plan.jobsByGroup = options.jobsByGroup;
    plan.statusLine = !options.noProgress && Process::isTerminal(stderr) && Process::takesLineControls(stderr);
    for (const std::string& pattern : options.serial) {
        if (pattern.rfind('-', 0) == 0) {
            problem = "option --serial takes patterns of tests to run alone, not exclusions: '" + pattern + "'";
            return false;
        }
        if (!plan.serial.add(pattern, problem)) return false;
    }
    return true;
}

// Which run this is: --run-id, else the number a CI system or scheduler
// gives every job of one run (every task of an array, every job of a pipeline).

// A file that holds "KxRt" (in any case) and the library suffix but breaks
// the name rule is almost always a test library meant to load: say why it does not.
void warnAboutMisnamedLibraries(const std::vector<std::string>& extraDirs) {
    const std::string core = Rt::Platform::moduleFileOf(reinterpret_cast<const void*>(&KxLib::init));
    std::vector<std::string> dirs{core.substr(0, core.find_last_of("/\\") + 1)};
    for (const std::string& dir : extraDirs) dirs.push_back(withTrailingSlash(dir));
    const std::string suffix = Rt::Platform::librarySuffix();
    const std::string rule = "80" + suffix;
    for (const std::string& dir : dirs) {
        for (const std::string& name : Rt::Platform::listDirectory(dir)) {
            std::string lower = name;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (lower.find("kxrt") == std::string::npos || name.find(suffix) == std::string::npos) continue;
            if (name.find("KxRt") != std::string::npos && name.find(rule) != std::string::npos) continue;
            std::fprintf(stderr, "rtrun: warning: %s%s is not loaded: a test library's file name holds \"KxRt\" "
                         "and \"%s\"\n", forDisplay(dir).c_str(), name.c_str(), rule.c_str());
        }
    }
}

} // namespace

bool makePlan(const Options& options, RunPlan& plan, std::string& problem) {
    if (options.mode == Mode::eList)
        plan.purpose = options.scripts.empty() ? RunPlan::Purpose::eListCases : RunPlan::Purpose::eListTests;
    plan.scripts = options.scripts;
    plan.timeout = options.timeout;
    plan.killGrace = options.killGrace < 0 ? plan.killGrace : options.killGrace;
    if (options.killGrace > 0 && !Process::asksChildrenToEnd()) {
        problem = "option --kill-grace cannot be kept on this system: a cancelled test's process is ended at once, "
                  "as there is no signal that asks a process to end";
        return false;
    }
    plan.durations = options.durations;
    plan.junit = options.junit;
    plan.history = HistoryPlace::ofThisSuite(options.noHistory, options.historyKeep);
    const RunIdentity identity = identifyRun(options.runId);
    plan.runId = identity.id;
    plan.runIdSource = identity.source;
    const char* timeout = Rt::Platform::environment("KXRT_TEST_TIMEOUT");
    if (plan.timeout == 0 && timeout && *timeout && !parseSeconds(timeout, plan.timeout)) {
        problem = std::string("KXRT_TEST_TIMEOUT needs a number of seconds above 0, not '") + timeout + "'";
        return false;
    }
    if (!isUsablePlatform(Rt::platform().toStdString())) {
        problem = "platform name '" + Rt::platform().toStdString() + "' holds a path separator or '..'";
        return false;
    }
    if (!options.filters.empty()) {
        for (const std::string& pattern : options.filters)
            if (!plan.filter.add(pattern, problem)) return false;
    } else if (const char* patterns = Rt::Platform::environment("KXRT_FILTER")) {
        if (!plan.filter.addAll(patterns, problem)) {
            problem = "KXRT_FILTER: " + problem;
            return false;
        }
    }
    if (const char* base = Rt::Platform::environment("KXRT_PUBLISH_URL")) {
        if (*base && publishedPageUrl(base, "page.htm", problem).empty()) return false;
    }
    if (!shardOf(options, plan, problem)) return false;
    if (!jobsOf(options, plan, problem)) return false;
    plan.libDirs = extraLibraryDirs(options);
    for (const std::string& dir : plan.libDirs) {
        if (!Rt::Platform::isReadableDirectory(dir)) {
            problem = "the test library directory " + dir + " is not a readable directory";
            return false;
        }
    }
    return true;
}

int executePlan(RunPlan& plan, bool inProcess) {
    std::string problem;
    std::vector<std::string> resolved;
    const bool running = plan.purpose == RunPlan::Purpose::eRun;
    if (!resolveScripts(plan.scripts, resolved, running ? &plan.missingScripts : nullptr, problem)) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        return eCannotRun;
    }
    plan.scripts = resolved;
    warnAboutMisnamedLibraries(plan.libDirs);
    if (plan.purpose != RunPlan::Purpose::eRun) return runInProcess(plan);
    if (plan.shardCount > 1) {  // each shard's files in a directory of their own
        std::string results = withTrailingSlash(Rt::resultDir().toStdString());
        Rt::Platform::makeDirectory(results.c_str());
        results += "shard-" + std::to_string(plan.shardIndex) + "-of-" + std::to_string(plan.shardCount) + "/";
        Rt::setResultDir(results.c_str());
    }
    RunSlot slot;
    if (!slot.claimResultDirectory()) return eCannotRun;
    plan.movedTo = slot.movedTo();
    Process::watchCancelSignals();  // a cancelled run still completes its report and releases its names
    if (inProcess) return runInProcess(plan);
    return plan.jobs > 1 ? superviseJobs(plan) : superviseRun(plan);
}

} // namespace rtrun
