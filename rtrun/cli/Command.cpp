#include "rtrun/cli/Command.h"
#include "rtrun/cli/Options.h"
#include "rtrun/cli/RunSetup.h"
#include "rtrun/cli/SuiteSetup.h"
#include "rtrun/history/HistoryCommands.h"
#include "rtrun/merge/ShardMerge.h"
#include "rtrun/reports/GoldenAccept.h"
#include "rtrun/reports/ReportCompare.h"
#include "rtrun/reports/ReportFiles.h"
#include "rtrun/reports/RerunScript.h"
#include "rtrun/reports/TestIndex.h"
#include "rtrun/reports/junit/JUnitExport.h"
#include "rtrun/supervise/ChildStart.h"
#include "rtrun/run/TestFilter.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "rtrun/system/Process.h"
#include "rtrun/system/RunIdentity.h"
#include "env/Platform.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace rtrun {

namespace {

int printFailed(const std::string& report) {
    std::string note, problem;
    if (writeRerunScript(report, std::cout, note, problem) < 0) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        return eCannotRun;
    }
    std::cout.flush();
    if (!note.empty()) std::fprintf(stderr, "rtrun: %s\n", note.c_str());
    return ePassed;
}

// Writes the script of a report's failed tests beside the report; `scripts`
// gets its path, or stays empty when there is nothing to run again.
bool makeRerunScript(const std::string& report, std::vector<std::string>& scripts) {
    const std::string path = besideReport(report, ".rerun.rt");
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

int makeSuite(const std::string& dir) {
    std::string problem;
    if (!initSuite(dir, problem)) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        return eCannotRun;
    }
    std::printf("Suite made in %s: put test scripts into Config/, then run 'rtrun --suite %s sample.rt'\n",
                dir.c_str(), dir.c_str());
    return ePassed;
}

// The --filter patterns as a filter; false, with the problem shown, for a bad one.
bool filterOf(const Options& options, TestFilter& filter) {
    std::string problem;
    for (const std::string& pattern : options.filters) {
        if (!filter.add(pattern, problem)) {
            std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
            return false;
        }
    }
    return true;
}

// The filter as a report tool's selector; the filter must outlive it.
TestSelector selectorOf(const TestFilter& filter) {
    return [&filter](const std::string& group, const std::string& caseName) { return filter.selects(group, caseName); };
}

// The history of the suite the options choose.
HistoryPlace chosenHistory(const Options& options) {
    chooseSuiteAndPlatform(options);
    return HistoryPlace::ofThisSuite(options.noHistory, options.historyKeep);
}

// rtrun --history [--filter P]: tests are chosen on the platform a run would take.
int printHistory(const Options& options) {
    const HistoryPlace place = chosenHistory(options);
    if (options.filters.empty()) return printRunHistory(place, std::cout);
    TestFilter filter;
    if (!filterOf(options, filter)) return eCannotRun;
    const char* platform = Rt::Platform::environment("KXRT_PLAT_TARG");
    if (!platform) platform = Rt::Platform::environment("Uname");
    return printTestHistory(place, platform ? platform : "", selectorOf(filter), std::cout);
}

// Accepts the golden outputs of the report named, or of the latest in the
// suite's result directory.
int acceptOutputs(const Options& options) {
    TestFilter filter;
    if (!filterOf(options, filter)) return eCannotRun;
    std::string report = options.scripts.empty() ? std::string() : options.scripts.front();
    if (report.empty()) {
        const std::string results = Rt::resultDir().toStdString();
        report = latestReportIn(results);
        if (report.empty()) {
            std::fprintf(stderr, "rtrun: no report in %s to accept golden outputs from\n", results.c_str());
            return eCannotRun;
        }
    }
    return acceptGoldens(report, selectorOf(filter), options.dryRun, std::cout, std::cerr);
}

// The commands that start the framework: runs, listings, merges and accepts.
int withFramework(const Options& options) {
    Process::ignoreBrokenPipe();  // `rtrun ... | head` still finishes its report
    const HistoryPlace history = chosenHistory(options);
    RtLib::init();
    useInstalledTemplates();
    int status = eCannotRun;
    if (options.mode == Mode::eAccept) {
        status = acceptOutputs(options);
    } else if (options.mode == Mode::eMerge) {
        status = mergeShards(
            {options.mergeDir, options.scripts, options.junit, options.durations, history, runIdentity(options.runId)});
    } else {
        RunPlan plan;
        std::string problem;
        if (makePlan(options, plan, problem)) status = executePlan(plan, options.inProcess);
        else std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
    }
    RtLib::fini();
    return status;
}

int carryOut(const Options& options) {
    switch (options.mode) {
    case Mode::eHelp:
        printHelp();
        return ePassed;
    case Mode::eVersion:
        std::printf("rtrun %s (build %s), core library %s\n", RtLib::version(), RtLib::build(),
                    KxVersion::whatString + 4);
        return ePassed;
    case Mode::eJUnitFrom: {
        TestIndex index;  // the tests that did not run are only in the index
        index.read(TestIndex::pathBeside(options.junitFrom));
        return convertReportToJUnit(options.junitFrom, options.junit, junitExtrasOf(index.facts()));
    }
    case Mode::eCompare:
        if (options.compareOld == "last")
            return compareWithLastRun(chosenHistory(options), options.compareNew, options.markdown, std::cout, std::cerr);
        return compareReports(options.compareOld, options.compareNew, options.markdown, std::cout, std::cerr);
    case Mode::eHistory: return printHistory(options);
    case Mode::eFailed: return printFailed(options.failedFrom);
    case Mode::eInit: return makeSuite(options.initDir);
    default: break;
    }
    if (options.failedFrom.empty()) return withFramework(options);
    Options rerun = options;
    if (!makeRerunScript(options.failedFrom, rerun.scripts)) return eCannotRun;
    if (rerun.scripts.empty()) return ePassed;
    rerun.failedFrom.clear();
    // Run in the report's minute, the rerun would take its name and move it
    // aside: it writes into a directory of its own beside it.
    const std::string rerunDir = besideReport(options.failedFrom, "-rerun");
    Rt::Platform::setEnvironment("KXRT_RESULT_DIR", rerunDir.c_str());
    return withFramework(rerun);
}

} // namespace

int dispatchCommand(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == kHandedPieceOption) return runHandedPiece(argv[2]);
    Options options;
    std::string problem;
    if (!parseOptions(argc, argv, options, problem)) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        std::fprintf(stderr, "Try 'rtrun --help'.\n");
        return eCannotRun;
    }
    return carryOut(options);
}

} // namespace rtrun
