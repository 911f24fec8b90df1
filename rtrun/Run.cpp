#include "rtrun/Run.h"
#include "rtrun/RunSlot.h"
#include "rtrun/RunSummary.h"
#include "rtrun/RunTally.h"
#include "env/Platform.h"
#include "env/Process.h"
#include <Rt/Rt.h>
#include <cstdio>
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

void applyEnvironment(const Options& options) {
    if (!options.suite.empty()) {
        std::string base = options.suite;
        if (base.back() != '/') base += '/';
        Rt::Platform::setEnvironment("KXRT_RELATIVE_PATH", base.c_str());
    }
    if (!options.platform.empty()) Rt::Platform::setEnvironment("KXRT_PLAT_TARG", options.platform.c_str());
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

int runScripts(const Options& options, Rt::RtLibManager& manager, RunTally& tally) {
    RunSlot slot;
    if (!claimResultDirectory(slot)) return kCannotRun;

    std::vector<std::string> arguments{"rtrun"};
    arguments.insert(arguments.end(), options.scripts.begin(), options.scripts.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    int argc = static_cast<int>(arguments.size());

    RunSummary summary;
    summary.movedTo = slot.movedTo();
    OpenRun open{&tally, &summary};
    {
        Rt::TestDriver driver(argc, argv.data());
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

// Loads the test libraries; false, with the reason shown, when none can be used.
bool loadLibraries(Rt::RtLibManager& manager, const RunTally& tally) {
    manager.loadTestLibs();
    if (tally.librariesUsed() > 0) return true;
    const std::string dir = manager.searchDirectory().toStdString();
    if (tally.librariesRefused() == 0)
        std::fprintf(stderr, "rtrun: no test library found in %s (a test library's file name holds \"KxRt\" and \"80%s\")\n",
                     dir.c_str(), Rt::Platform::librarySuffix());
    else
        std::fprintf(stderr, "rtrun: none of the test libraries in %s can be used (see above)\n", dir.c_str());
    return false;
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

    Rt::Process::ignoreBrokenPipe();  // `rtrun ... | head` still finishes its report
    Rt::Process::onExit(&finishAfterExit);
    applyEnvironment(options);
    RtLib::init();
    int status = kPassed;
    {
        RunTally tally;
        Rt::addRunObserver(&tally);
        Rt::RtLibManager manager;
        if (options.mode == Mode::kList) {
            manager.loadTestLibs();
            status = listTestCases(manager);
        } else if (!loadLibraries(manager, tally)) {
            status = kCannotRun;
        } else {
            status = runScripts(options, manager, tally);
        }
        manager.unloadTestLibs();
        Rt::removeRunObserver(&tally);
    }
    RtLib::fini();
    return status;
}

} // namespace rtrun
