#include "rtrun/supervise/Supervisor.h"
#include "rtrun/supervise/ChildPieces.h"
#include "rtrun/supervise/ChildStart.h"
#include "rtrun/supervise/RunProgress.h"
#include "rtrun/run/InProcessRun.h"
#include "rtrun/run/PieceLog.h"
#include "rtrun/run/RunSummary.h"
#include "rtrun/supervise/ChildWatch.h"
#include "rtrun/system/DeathNotice.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "rtrun/system/Process.h"
#include "env/Platform.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace rtrun {

namespace {

namespace fs = std::filesystem;

// The tests the plan selects after (script, position), which an interrupted run did not reach.
// Redraws the status line while the child runs.
struct ProgressTick {
    RunProgress* progress;
    const PieceLog* log;
    static void tick(void* context) {
        const ProgressTick& self = *static_cast<ProgressTick*>(context);
        self.progress->tick({self.log});
    }
};

int testsAfter(const RunPlan& plan, int script, int position) {
    int count = 0;
    for (const PlannedTest& test : selectedTests(plan))
        if (test.scriptIndex > script || (test.scriptIndex == script && test.position > position)) ++count;
    return count;
}

} // namespace

int superviseRun(const RunPlan& plan) {
    const std::string results = withTrailingSlash(Rt::resultDir().toStdString());
    std::string problem;
    PieceLog* log = PieceLog::create(kPieceLogCapacity, results, problem);
    if (!log) {
        std::fprintf(stderr, "rtrun: %s for a supervisor: the tests run in rtrun's own process\n", problem.c_str());
        return runInProcess(plan);
    }
    Process::adoptOrphans();
    const double started = Process::monotonicSeconds();
    const std::string runName = Rt::TestReporter::makeRunName().toStdString();
    const std::string fixedReport = results + runName + ".xml";
    const std::string piecesDir = results + "." + runName + ".pieces/";

    // A status line on a terminal: the child's output then passes through rtrun.
    std::unique_ptr<RunProgress> progress;
    if (plan.statusLine) progress = std::make_unique<RunProgress>(selectedTests(plan), -1, 1, stderr);
    std::vector<PieceRecord> pieces;
    std::vector<PlannedTest> plannedTests;  // found once a child has died
    Piece piece;
    piece.log = log;
    int interrupted = 0;  // the cancel signal that stopped the run
    for (;;) {
        log->reset();
        if ((interrupted = Process::cancelSignal())) break;  // after a death: no new child
        // On a terminal with a status line, what the child writes passes rtrun on its way.
        int errorPipe = -1, outputPipe = -1;
        const int pid = startPieceChild(plan, piece, &errorPipe, progress ? &outputPipe : nullptr);
        Process::ChildEnd end;
        ChildWatch watch(*log, pid, plan.timeout, plan.killGrace, progress ? &progress->line() : nullptr);
        std::vector<Process::WatchedChild> child{Process::WatchedChild{pid, watch.watching(errorPipe, outputPipe)}};
        ProgressTick tick{progress.get(), log};
        const bool waited = pid >= 0 && Process::waitAnyChild(child, end, progress ? &ProgressTick::tick : nullptr, &tick) == 0;
        if (pid >= 0) endWhatTheChildStarted(pid);
        Process::drainOutput(child[0].watching);
        watch.flushOutput();
        if (progress) progress->line().clear();
        if (!waited) {
            std::fprintf(stderr, "rtrun: no child process could run the tests\n");
            return eCannotRun;
        }
        interrupted = watch.cancelledBy();
        if (log->finished.load()) {
            // The tests are through; the child is judged by how it ended after them too.
            const bool clean = log->ended.load() && end.exited && end.status == log->exitStatus.load() &&
                               !watch.timedOut() && !interrupted;
            if (!clean) {
                std::fflush(stdout);
                std::fprintf(stderr, "rtrun: the test process ended badly after the last test (%s): %s\n",
                             log->phase.load() == PieceLog::eUnloading ? "unloading the test libraries" : "closing the run",
                             watch.deathOf(end).reason.c_str());
            }
            if (piece.number == 1) {
                const int status = log->exitStatus.load();
                if (interrupted) return 128 + interrupted;
                return clean || status != ePassed ? status : eFailed;
            }
            pieces.push_back(recordOf(*log, piece.resultDir + runName + ".xml"));
            break;
        }
        const Death death = watch.deathOf(end);
        std::fflush(stdout);
        if (log->testsReached.load() == 0 && piece.number == 1) {
            std::fprintf(stderr, "rtrun: the run %s before its first test (%s): no report\n",
                         interrupted ? "was interrupted" : "died", death.reason.c_str());
            return interrupted ? 128 + interrupted : eCannotRun;
        }
        std::string report = piece.number == 1 ? fixedReport : piece.resultDir + runName + ".xml";
        if (piece.number == 1) {  // the first piece makes room for the run's one report
            fs::create_directories(piecesDir);
            const std::string moved = piecesDir + "1.xml";
            std::error_code error;
            fs::rename(fixedReport, moved, error);
            report = moved;
        }
        PieceRecord record = recordOf(*log, report);
        record.died = true;
        record.death = death;
        pieces.push_back(std::move(record));
        if (progress) progress->childEnded(*log, pieces.back());
        if (plannedTests.empty()) plannedTests = planTests(plan.scripts);
        const bool advanced = death.scriptIndex > piece.resumeScript ||
                              (death.scriptIndex == piece.resumeScript && death.position > piece.resumePosition);
        if (advanced) {  // the next child, or the count of tests an interruption left, starts after it
            piece.resumeScript = death.scriptIndex;
            piece.resumePosition = death.position;
        }
        if (interrupted) {
            std::fprintf(stderr, "rtrun: %s: %s; the run stops here\n", describeTest(plannedTests, death).c_str(),
                         death.reason.c_str());
            break;
        }
        std::fprintf(stderr, "rtrun: %s: %s; the run goes on after it\n",
                     describeTest(plannedTests, death).c_str(), death.reason.c_str());
        if (!advanced) {
            std::fprintf(stderr, "rtrun: the run died again where it resumed (%s); it stops here\n",
                         death.reason.c_str());
            break;
        }
        piece.number += 1;
        piece.resultDir = piecesDir + std::to_string(piece.number) + "/";
        fs::create_directories(piece.resultDir);
    }

    if (plannedTests.empty()) plannedTests = planTests(plan.scripts);
    const int notReached = interrupted ? testsAfter(plan, piece.resumeScript, piece.resumePosition) : 0;
    return finishPieces(plan, pieces, plannedTests, Process::monotonicSeconds() - started, runName, interrupted,
                        notReached);
}

} // namespace rtrun
