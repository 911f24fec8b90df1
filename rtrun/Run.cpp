#include "rtrun/Run.h"
#include "rtrun/PublishUrl.h"
#include "rtrun/RerunScript.h"
#include "rtrun/RunSlot.h"
#include "rtrun/RunSummary.h"
#include "rtrun/RunTally.h"
#include "rtrun/ScriptSelection.h"
#include "rtrun/SuiteSetup.h"
#include "rtrun/TestFilter.h"
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

std::string forDisplay(const KxString& path) {
    std::string text = path.toStdString();
    std::string tidy;
    for (char c : text) {
        if (c == '/' && !tidy.empty() && tidy.back() == '/') continue;
        tidy += c;
    }
    return tidy;
}

int listTestCases(Rt::RtLibManager& manager) {
    Kx::SharedPtrVec<Rt::TestSetFactory>& factories = manager.factories();
    if (factories.isEmpty()) std::printf("No test library found in %s\n", manager.searchDirectory().toStdString().c_str());
    for (const Kx::SharedPtr<Rt::TestSetFactory>& factory : factories) {
        std::printf("%s:\n", factory->name());
        for (const KxString& name : factory->testCases()) std::printf("  %s\n", name.toStdString().c_str());
    }
    return kPassed;
}

// The run in progress, for the handler that finishes it when test code
// ends the process with exit().
struct OpenRun {
    RunTally* tally;
    RunSummary* summary;
};
OpenRun* g_openRun = nullptr;

void finishAfterExit(int status) {
    OpenRun* run = g_openRun;
    if (!run) return;
    g_openRun = nullptr;
    char reason[48];
    if (status >= 0) std::snprintf(reason, sizeof(reason), "exited: status %d", status);
    else std::snprintf(reason, sizeof(reason), "exited");
    if (Rt::gResults) run->summary->totals = Rt::gResults->errorSummary(0);
    Rt::abandonRun(reason);
    const int exitStatus = run->summary->finish(*run->tally);
    std::fflush(stdout);
    std::fflush(stderr);
    Rt::Process::endNow(exitStatus);
}

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
                     forDisplay(slot.earlierMovedTo().c_str()).c_str());
    return true;
}

// The driver's command line: the program, then the scripts.
struct DriverArguments {
    explicit DriverArguments(const std::vector<std::string>& scripts) : words{"rtrun"} {
        words.insert(words.end(), scripts.begin(), scripts.end());
        for (std::string& word : words) argv.push_back(&word[0]);
        argv.push_back(nullptr);
        argc = static_cast<int>(words.size());
    }
    std::vector<std::string> words;
    std::vector<char*> argv;
    int argc;
};

// Lists the tests the scripts would run, without creating any of them.
int listScripts(const std::vector<std::string>& scripts, Rt::RtLibManager& manager, const TestFilter& filter,
                const RunTally& tally) {
    ScriptSelection listing(filter, true);
    Rt::setTestSelection(&listing);
    DriverArguments arguments(scripts);
    {
        Rt::TestDriver driver(arguments.argc, arguments.argv.data(), Rt::TestDriver::ScanOnly());
        driver.setFactories(manager.factories());
        driver.execute();
    }
    Rt::setTestSelection(nullptr);
    for (const ScriptSelection::Listed& test : listing.listed()) {
        std::printf("%s / %s", test.group.c_str(), test.caseName.c_str());
        for (std::size_t i = 0; i < test.args.size(); ++i) std::printf("%s%s", i ? ", " : " (", test.args[i].c_str());
        std::printf("%s\n", test.args.empty() ? "" : ")");
    }
    std::printf("%zu tests\n", listing.listed().size());
    return tally.scriptProblems() > 0 ? kFailed : kPassed;
}

int runScripts(const std::vector<std::string>& scripts, Rt::RtLibManager& manager, RunTally& tally,
               const Options& options) {
    RunSlot slot;
    if (!claimResultDirectory(slot)) return kCannotRun;
    DriverArguments arguments(scripts);

    RunSummary summary;
    summary.movedTo = slot.movedTo();
    summary.durations = options.durations;
    summary.junit = options.junit;
    OpenRun open{&tally, &summary};
    {
        Rt::TestDriver driver(arguments.argc, arguments.argv.data());
        if (Rt::TestReporter* reporter = Rt::gResults ? Rt::gResults->testReporter() : nullptr) {
            summary.report = forDisplay(reporter->reportPath());
            summary.page = forDisplay(reporter->pagePath());
            summary.email = forDisplay(reporter->emailPath());
        }
        g_openRun = &open;
        driver.setFactories(manager.factories());
        driver.execute();
        if (Rt::gResults) summary.totals = Rt::gResults->errorSummary(0);
    }  // the driver goes here: the report is closed and summarised
    g_openRun = nullptr;
    return summary.finish(tally);
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

// A test name registered by two libraries: the first loaded creates it.
void warnAboutSharedNames(Rt::RtLibManager& manager) {
    std::map<std::string, int> firstOwner;
    Kx::SharedPtrVec<Rt::TestSetFactory>& factories = manager.factories();
    for (std::uint32_t i = 0; i < factories.size(); ++i) {
        for (const KxString& name : factories[i]->testCases()) {
            auto [owner, first] = firstOwner.emplace(name.toStdString(), static_cast<int>(i));
            if (first || owner->second == static_cast<int>(i)) continue;
            std::fprintf(stderr, "rtrun: warning: test case %s is registered by %s and by %s; the first one's runs\n",
                         owner->first.c_str(), manager.libraryFileOf(owner->second).toStdString().c_str(),
                         manager.libraryFileOf(static_cast<int>(i)).toStdString().c_str());
        }
    }
}

// Loads the test libraries; false, with the reason shown, when none can be used.
bool loadLibraries(Rt::RtLibManager& manager, const RunTally& tally, const std::vector<std::string>& extraDirs) {
    manager.loadTestLibs();
    for (const std::string& dir : extraDirs) manager.loadTestLibsFrom(dir.c_str());
    warnAboutSharedNames(manager);
    if (tally.librariesUsed() > 0) return true;
    const std::string dir = manager.searchDirectory().toStdString();
    if (tally.librariesRefused() == 0)
        std::fprintf(stderr, "rtrun: no test library found in %s (a test library's file name holds \"KxRt\" and \"80%s\")\n",
                     dir.c_str(), Rt::Platform::librarySuffix());
    else
        std::fprintf(stderr, "rtrun: none of the test libraries in %s can be used (see above)\n", dir.c_str());
    return false;
}

// Everything the command line asks for that can be checked before the
// framework starts; false, with the reason, when the run cannot happen.
bool checkInputs(const Options& options, TestFilter& filter, std::vector<std::string>& libDirs, std::string& problem) {
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
    libDirs = extraLibraryDirs(options);
    for (const std::string& dir : libDirs) {
        if (!Rt::Platform::isReadableDirectory(dir)) {
            problem = "the test library directory " + dir + " is not a readable directory";
            return false;
        }
    }
    return true;
}

int runWithLibraries(const Options& options, const TestFilter& filter, const std::vector<std::string>& libDirs) {
    RunTally tally;
    Rt::addRunObserver(&tally);
    Rt::RtLibManager manager;
    int status = kCannotRun;
    std::vector<std::string> scripts;
    std::string problem;
    if (options.mode == Mode::kList && options.scripts.empty()) {
        manager.loadTestLibs();
        for (const std::string& dir : libDirs) manager.loadTestLibsFrom(dir.c_str());
        status = listTestCases(manager);
    } else if (!resolveScripts(options.scripts, scripts, problem)) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
    } else if (loadLibraries(manager, tally, libDirs)) {
        if (options.mode == Mode::kList) {
            status = listScripts(scripts, manager, filter, tally);
        } else {
            ScriptSelection selection(filter, false);
            if (!filter.empty()) Rt::setTestSelection(&selection);
            status = runScripts(scripts, manager, tally, options);
            Rt::setTestSelection(nullptr);
        }
    }
    manager.unloadTestLibs();
    Rt::removeRunObserver(&tally);
    return status;
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
    Rt::Process::onExit(&finishAfterExit);
    chooseSuiteAndPlatform(options);
    RtLib::init();
    int status = kCannotRun;
    TestFilter filter;
    std::vector<std::string> libDirs;
    std::string problem;
    if (checkInputs(options, filter, libDirs, problem)) status = runWithLibraries(options, filter, libDirs);
    else std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
    RtLib::fini();
    return status;
}

} // namespace rtrun
