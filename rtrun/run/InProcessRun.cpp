#include "rtrun/run/InProcessRun.h"
#include "rtrun/run/JobSelection.h"
#include "rtrun/run/PieceLogWriter.h"
#include "rtrun/run/ProcessWatch.h"
#include "rtrun/run/RunSlot.h"
#include "rtrun/run/RunSummary.h"
#include "rtrun/run/RunTally.h"
#include "rtrun/system/DeathNotice.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "env/Platform.h"
#include "rtrun/system/Process.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace rtrun {

namespace {

int listTestCases(Rt::RtLibManager& manager) {
    Kx::SharedPtrVec<Rt::TestSetFactory>& factories = manager.factories();
    if (factories.isEmpty()) std::printf("No test library found in %s\n", manager.searchDirectory().toStdString().c_str());
    for (const Kx::SharedPtr<Rt::TestSetFactory>& factory : factories) {
        std::printf("%s:\n", factory->name());
        for (const KxString& name : factory->testCases()) std::printf("  %s\n", name.toStdString().c_str());
    }
    return ePassed;
}

// The run in progress, for the handler that finishes it when test code
// ends the process with exit().
struct OpenRun {
    RunTally* tally;
    RunSummary* summary;
    bool supervised;  // a supervisor finishes the run instead
};
OpenRun* g_openRun = nullptr;

void finishAfterExit(int status) {
    OpenRun* run = g_openRun;
    if (!run) return;
    g_openRun = nullptr;
    // Supervised, the report stays as it is, cut off where test code took
    // over: the supervisor completes it and runs the tests after this one.
    if (run->supervised) {
        Process::noticeExit();  // the supervisor takes the stack of the call to exit()
        Process::endNow(status);
    }
    char reason[48];
    Process::exitedText(status, reason);
    // The totals of the completed run: its open elements closed, the
    // "exited" record counted.
    struct Totals : Rt::RunObserver {
        explicit Totals(Rt::ErrorSummary& into) : into(into) {}
        void runAbandoned(const KxString&) override {
            if (Rt::gResults) into = Rt::gResults->errorSummary(0);
        }
        Rt::ErrorSummary& into;
    } totals(run->summary->totals);
    Rt::addRunObserver(&totals);
    Rt::abandonRun(reason);
    Rt::removeRunObserver(&totals);
    const int exitStatus = run->summary->finish(*run->tally);
    RunSlot::releaseClaimed();  // no destructor runs after this
    std::fflush(stdout);
    std::fflush(stderr);
    Process::endNow(exitStatus);
}

bool g_exitHandled = false;

// In rtrun's own process a cancel lets the running test finish (nobody
// could kill it): from then on no test is made, and those the run would
// have made count as not run.
class StopOnCancel : public Rt::TestSelection {
public:
    StopOnCancel(Rt::TestSelection* chosen, RunTally& tally) : m_chosen(chosen), m_tally(tally) {}
    bool selects(const Rt::TestInfo& test) override {
        if (m_chosen && !m_chosen->selects(test)) return false;
        if (!m_tally.interruptSignal()) m_tally.interrupt(Process::cancelSignal());
        if (!m_tally.interruptSignal()) return true;
        m_tally.skipInterrupted(1);
        return false;
    }

private:
    Rt::TestSelection* m_chosen;
    RunTally& m_tally;
};

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

std::vector<PlannedTest> scanScripts(const std::vector<std::string>& scripts, const TestFilter& filter,
                                     Rt::RtLibManager* manager, int shardIndex = 0, int shardCount = 1) {
    ScriptSelection listing(filter, true);
    listing.shard(shardIndex, shardCount);
    Rt::setTestSelection(&listing);
    DriverArguments arguments(scripts);
    {
        Rt::TestDriver driver(arguments.argc, arguments.argv.data(), Rt::TestDriver::ScanOnly());
        if (manager) driver.setFactories(manager->factories());
        driver.execute();
    }
    Rt::setTestSelection(nullptr);
    return listing.listed();
}

// Lists the tests the scripts would run, without creating any of them.
int listScripts(const RunPlan& plan, Rt::RtLibManager& manager, const RunTally& tally) {
    const std::vector<PlannedTest> tests = scanScripts(plan.scripts, plan.filter, &manager);
    for (const PlannedTest& test : tests) {
        std::printf("%s / %s", test.group.c_str(), test.caseName.c_str());
        for (std::size_t i = 0; i < test.args.size(); ++i) std::printf("%s%s", i ? ", " : " (", test.args[i].c_str());
        std::printf("%s\n", test.args.empty() ? "" : ")");
    }
    std::printf("%zu tests\n", tests.size());
    return tally.scriptProblems() > 0 ? eFailed : ePassed;
}

int driveScripts(const RunPlan& plan, Rt::RtLibManager& manager, RunTally& tally, const Piece* piece) {
    DriverArguments arguments(plan.scripts);
    RunSummary summary(plan);
    OpenRun open{&tally, &summary, piece != nullptr};
    int silenced = -1;
    // A later piece's start-up lines were shown by the first.
    if (piece && piece->number > 1) Process::silence(stdout, silenced);
    {
        Rt::TestDriver driver(arguments.argc, arguments.argv.data());
        if (silenced >= 0) Process::restore(stdout, silenced);
        if (Rt::TestReporter* reporter = Rt::gResults ? Rt::gResults->testReporter() : nullptr)
            summary.nameFiles(reporter->reportPath().toStdString(), reporter->pagePath().toStdString(),
                              reporter->emailPath().toStdString());
        g_openRun = &open;
        driver.setFactories(manager.factories());
        driver.execute();
        if (Rt::gResults) summary.totals = Rt::gResults->errorSummary(0);
    }  // the driver goes here: the report is closed and summarised
    g_openRun = nullptr;
    if (piece) piece->log->finished = 1;
    if (!piece && !tally.interruptSignal()) tally.interrupt(Process::cancelSignal());
    if (piece && !piece->resultDir.empty()) return ePassed;  // the supervisor sums up
    return summary.finish(tally);
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

} // namespace

std::vector<PlannedTest> planTests(const std::vector<std::string>& scripts) {
    return scanScripts(scripts, TestFilter(), nullptr);
}

std::vector<PlannedTest> selectedTests(const RunPlan& plan) {
    return scanScripts(plan.scripts, plan.filter, nullptr, plan.shardIndex, plan.shardCount);
}

int runInProcess(const RunPlan& plan, const Piece* piece) {
    if (!g_exitHandled) Process::onExit(&finishAfterExit);
    g_exitHandled = true;
    if (piece && !piece->resultDir.empty()) Rt::setResultDir(piece->resultDir.c_str());

    RunTally tally(plan.durations);
    ScriptSelection selection(plan.filter, false);
    selection.shard(plan.shardIndex, plan.shardCount);
    const bool sharesOut = piece && piece->board;
    const bool resumes = piece && piece->resumeScript >= 0 && !sharesOut;
    if (resumes) selection.resumeAfter(piece->resumeScript, piece->resumePosition);
    std::unique_ptr<JobSelection> claims;
    if (sharesOut) {
        claims = std::make_unique<JobSelection>(plan.filter, plan.shardIndex, plan.shardCount, *piece->board,
                                                *piece->units, piece->number, *piece->log);
        if (piece->unfinishedUnit >= 0) claims->finishUnit(piece->unfinishedUnit, piece->resumeScript, piece->resumePosition);
    }
    const ScriptProblemsShown* shown = sharesOut ? static_cast<const ScriptProblemsShown*>(claims.get())
                                                 : resumes ? &selection : nullptr;
    std::unique_ptr<ProcessWatch> processes;
    if (plan.purpose == RunPlan::Purpose::eRun && !piece) Process::noticeDeaths(nullptr);
    if (plan.purpose == RunPlan::Purpose::eRun) {
        processes = std::make_unique<ProcessWatch>();
        Rt::addRunObserver(processes.get());
    }
    std::unique_ptr<PieceLogWriter> beacon;
    if (piece) {
        beacon = std::make_unique<PieceLogWriter>(*piece->log, shown);
        Rt::addRunObserver(beacon.get());
        if (shown) tally.resumes(shown);
    }
    // A later piece's problems with the libraries were shown by the first.
    int quietOut = -1, quietErr = -1;
    if (piece && piece->number > 1) {
        Process::silence(stdout, quietOut);
        Process::silence(stderr, quietErr);
    }
    Rt::RtLibManager manager;
    int status = eCannotRun;
    Rt::addRunObserver(&tally);
    if (plan.purpose == RunPlan::Purpose::eListCases) {
        manager.loadTestLibs();
        for (const std::string& dir : plan.libDirs) manager.loadTestLibsFrom(dir.c_str());
        status = listTestCases(manager);
    } else if (loadLibraries(manager, tally, plan.libDirs)) {
        if (quietErr >= 0) Process::restore(stderr, quietErr);
        if (quietOut >= 0) Process::restore(stdout, quietOut);
        quietOut = quietErr = -1;
        if (plan.purpose == RunPlan::Purpose::eListTests) {
            status = listScripts(plan, manager, tally);
        } else {
            const bool selecting = !plan.filter.empty() || plan.shardCount > 1 || resumes;
            StopOnCancel stopping(selecting ? &selection : nullptr, tally);
            if (!piece) Rt::setTestSelection(&stopping);  // a supervised child is stopped by its supervisor
            else if (claims) Rt::setTestSelection(claims.get());
            else if (selecting) Rt::setTestSelection(&selection);
            status = driveScripts(plan, manager, tally, piece);
            Rt::setTestSelection(nullptr);
        }
    }
    if (quietErr >= 0) Process::restore(stderr, quietErr);
    if (quietOut >= 0) Process::restore(stdout, quietOut);
    if (beacon) beacon->unloading(status);
    manager.unloadTestLibs();
    if (beacon) beacon->ended();
    Rt::removeRunObserver(&tally);
    return status;
}

} // namespace rtrun
