#include "rtrun/Run.h"
#include "rtrun/PublishUrl.h"
#include "rtrun/RerunScript.h"
#include "rtrun/InProcessRun.h"
#include "rtrun/RunSlot.h"
#include "rtrun/RunSummary.h"
#include "rtrun/ShardMerge.h"
#include "rtrun/Supervisor.h"
#include "rtrun/SuiteSetup.h"
#include "env/Platform.h"
#include "env/Process.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace rtrun {

namespace {

// Claims the run's names in the result directory; false when the run cannot happen.
bool claimResultDirectory(RunSlot& slot) {
    std::string results = Rt::resultDir().toStdString();
    Rt::Platform::makeDirectory(results.c_str());
    if (!Rt::Platform::isWritableDirectory(results)) {
        std::fprintf(stderr, "rtrun: the result directory %s cannot be written (does its parent exist?)\n",
                     results.c_str());
        return false;
    }
    if (!results.empty() && results.back() != '/') results += '/';
    std::string problem;
    if (!slot.claim(results, Rt::TestReporter::makeRunName().toStdString(), Rt::platform().toStdString(), problem)) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        return false;
    }
    if (!slot.movedTo().empty()) Rt::setResultDir(slot.movedTo().c_str());
    if (!slot.earlierMovedTo().empty())
        std::fprintf(stderr, "rtrun: the earlier run of this minute was moved aside: %s.xml (with its page and e-mail summary)\n",
                     forDisplay(slot.earlierMovedTo()).c_str());
    return true;
}

// The directories of --lib-dir and KXRT_LIB_PATH, in that order.
std::vector<std::string> extraLibraryDirs(const Options& options) {
    std::vector<std::string> dirs = options.libDirs;
    if (const char* path = Rt::Platform::environment("KXRT_LIB_PATH")) {
        std::istringstream list(path);
        for (std::string dir; std::getline(list, dir, ':');)
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

// Everything the command line asks for that can be checked before the
// framework starts; false, with the reason, when the run cannot happen.
bool checkInputs(const Options& options, RunPlan& plan, std::string& problem) {
    TestFilter& filter = plan.filter;
    std::vector<std::string>& libDirs = plan.libDirs;
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
            if (!filter.add(pattern, problem)) return false;
    } else if (const char* patterns = Rt::Platform::environment("KXRT_FILTER")) {
        if (!filter.addAll(patterns, problem)) {
            problem = "KXRT_FILTER: " + problem;
            return false;
        }
    }
    if (const char* base = Rt::Platform::environment("KXRT_PUBLISH_URL")) {
        if (*base && publishedPageUrl(base, "page.htm", problem).empty()) return false;
    }
    if (!shardOf(options, plan, problem)) return false;
    libDirs = extraLibraryDirs(options);
    for (const std::string& dir : libDirs) {
        if (!Rt::Platform::isReadableDirectory(dir)) {
            problem = "the test library directory " + dir + " is not a readable directory";
            return false;
        }
    }
    return true;
}

int runPlan(RunPlan& plan) {
    std::string problem;
    if (!resolveScripts(plan.options.scripts, plan.scripts, problem)) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        return kCannotRun;
    }
    if (plan.options.mode == Mode::kList) return runInProcess(plan);
    if (plan.shardCount > 1) {  // each shard's files in a directory of their own
        std::string results = Rt::resultDir().toStdString();
        if (!results.empty() && results.back() != '/') results += '/';
        Rt::Platform::makeDirectory(results.c_str());
        results += "shard-" + std::to_string(plan.shardIndex) + "-of-" + std::to_string(plan.shardCount) + "/";
        Rt::setResultDir(results.c_str());
    }
    RunSlot slot;
    if (!claimResultDirectory(slot)) return kCannotRun;
    plan.movedTo = slot.movedTo();
    return plan.options.inProcess ? runInProcess(plan) : supervise(plan);
}

int printFailed(const std::string& report) {
    std::string note, problem;
    if (writeRerunScript(report, std::cout, note, problem) < 0) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        return kCannotRun;
    }
    std::cout.flush();
    if (!note.empty()) std::fprintf(stderr, "rtrun: %s\n", note.c_str());
    return kPassed;
}

// Writes the script of a report's failed tests beside the report; `scripts`
// gets its path, or stays empty when there is nothing to run again.
bool makeRerunScript(const std::string& report, std::vector<std::string>& scripts) {
    const std::string path = indexPathOf(report).substr(0, indexPathOf(report).size() - 6) + ".rerun.rt";
    std::ofstream script(path, std::ios::binary | std::ios::trunc);
    std::string note, problem;
    const int tests = script ? writeRerunScript(report, script, note, problem) : -1;
    if (script && tests < 0) std::remove(path.c_str());
    if (!script) problem = "cannot write " + path;
    if (tests < 0 || !script.flush()) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        return false;
    }
    if (!note.empty()) std::fprintf(stderr, "rtrun: %s\n", note.c_str());
    if (tests == 0) {
        std::printf("rtrun: %s holds no failed test: nothing to run again\n", report.c_str());
        return true;
    }
    scripts = {path};
    return true;
}

} // namespace

int run(const Options& options) {
    if (options.mode == Mode::kHelp) {
        printHelp();
        return kPassed;
    }
    if (options.mode == Mode::kVersion) {
        std::printf("rtrun %s (build %s), core library %s\n", RtLib::version(), RtLib::build(),
                    KxVersion::whatString + 4);
        return kPassed;
    }
    if (options.mode == Mode::kFailed) return printFailed(options.failedFrom);
    if (!options.failedFrom.empty()) {
        Options rerun = options;
        if (!makeRerunScript(options.failedFrom, rerun.scripts)) return kCannotRun;
        if (rerun.scripts.empty()) return kPassed;
        rerun.failedFrom.clear();
        return run(rerun);
    }
    if (options.mode == Mode::kInit) {
        std::string problem;
        if (!initSuite(options.initDir, problem)) {
            std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
            return kCannotRun;
        }
        std::printf("Suite made in %s: put test scripts into Config/, then run 'rtrun --suite %s sample.rt'\n",
                    options.initDir.c_str(), options.initDir.c_str());
        return kPassed;
    }

    Rt::Process::ignoreBrokenPipe();  // `rtrun ... | head` still finishes its report
    chooseSuiteAndPlatform(options);
    RtLib::init();
    if (options.mode == Mode::kMerge) {
        const int merged = mergeShards(options.mergeDir, options.scripts, options.junit);
        RtLib::fini();
        return merged;
    }
    int status = kCannotRun;
    RunPlan plan{options, {}, {}, {}, {}, options.timeout};
    std::string problem;
    if (checkInputs(options, plan, problem)) status = runPlan(plan);
    else std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
    RtLib::fini();
    return status;
}

} // namespace rtrun
