#include "rtrun/supervise/Supervisor.h"
#include "rtrun/merge/PieceMerge.h"
#include "rtrun/run/InProcessRun.h"
#include "rtrun/run/PieceLog.h"
#include "rtrun/run/RunSummary.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "rtrun/system/Process.h"
#include "rtrun/system/SecondsFormat.h"
#include "env/Platform.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace rtrun {

namespace {

namespace fs = std::filesystem;

// The ring of test entries a child fills before it writes them out: 96 KB.
constexpr std::int64_t kLogCapacity = 4096;

struct ChildContext {
    const RunPlan* plan;
    const Piece* piece;
};

int childBody(void* context) {
    const ChildContext& child = *static_cast<ChildContext*>(context);
    return runInProcess(*child.plan, child.piece);
}

// Kills a test body that runs longer than the limit.
struct Watch {
    const PieceLog* log;
    double limit;
    bool timedOut = false;
};

bool overTime(void* context) {
    Watch& watch = *static_cast<Watch*>(context);
    if (watch.log->phase.load() != PieceLog::eRunning) return false;
    watch.timedOut = Process::monotonicSeconds() - watch.log->bodyStart.load() > watch.limit;
    return watch.timedOut;
}

Death deathOf(const PieceLog& log, const Process::ChildEnd& end, const Watch& watch) {
    Death death;
    death.scriptIndex = log.scriptIndex.load();
    death.position = log.position.load();
    const int phase = log.phase.load();
    death.inTest = phase != PieceLog::eIdle;
    death.running = phase == PieceLog::eRunning;
    if (death.running) death.seconds = Process::monotonicSeconds() - log.bodyStart.load();
    if (watch.timedOut) {
        death.reason = "timed out after " + shortSeconds(watch.limit) + " s";
        death.seconds = watch.limit;
    } else if (end.exited) {
        char reason[48];
        Process::exitedText(end.status, reason);
        death.reason = reason;
    } else {
        death.reason = "crashed: signal " + Process::signalText(end.signal);
    }
    return death;
}

// "Group/Case (script, test N)" of the test a child died in or after.
std::string describeTest(const std::vector<PlannedTest>& plan, const Death& death) {
    for (const PlannedTest& test : plan) {
        if (test.scriptIndex != death.scriptIndex || test.position != death.position) continue;
        return std::string(death.inTest ? "" : "after ") + test.group + "/" + test.caseName + " (" + test.script +
               ", test " + std::to_string(test.position + 1) + ")";
    }
    return death.inTest ? "a test" : "between tests";
}

PieceRecord recordOf(const PieceLog& log, const std::string& report) {
    PieceRecord piece;
    piece.report = report;
    for (const PieceLog::Entry& entry : log.allEntries()) {
        piece.ids.push_back(entry.reportId);
        piece.scripts.push_back(entry.scriptIndex);
        piece.positions.push_back(entry.position);
        piece.flags.push_back(entry.flags);
        piece.seconds.push_back(entry.seconds);
    }
    piece.scriptProblems = log.scriptProblems.load();
    piece.librariesRefused = log.librariesRefused.load();
    return piece;
}

} // namespace

int superviseRun(const RunPlan& plan) {
    PieceLog* log = PieceLog::create(kLogCapacity);
    if (!log) {
        std::fprintf(stderr, "rtrun: no shared memory for a supervisor: the tests run in rtrun's own process\n");
        return runInProcess(plan);
    }
    const double started = Process::monotonicSeconds();
    const std::string runName = Rt::TestReporter::makeRunName().toStdString();
    const std::string results = withTrailingSlash(Rt::resultDir().toStdString());
    const std::string fixedReport = results + runName + ".xml";
    const std::string piecesDir = results + "." + runName + ".pieces/";

    std::vector<PieceRecord> pieces;
    std::vector<PlannedTest> plannedTests;  // found once a child has died
    Piece piece;
    piece.log = log;
    for (;;) {
        log->reset();
        ChildContext context{&plan, &piece};
        const int pid = Process::startChild(&childBody, &context);
        Process::ChildEnd end;
        Watch watch{log, plan.timeout};
        if (pid < 0 || !Process::waitChild(pid, end, plan.timeout > 0 ? &overTime : nullptr, &watch)) {
            std::fprintf(stderr, "rtrun: no child process could run the tests\n");
            return eCannotRun;
        }
        if (log->finished.load() && !watch.timedOut) {
            if (piece.number == 1) return end.status;  // nothing died: the child said everything
            pieces.push_back(recordOf(*log, piece.resultDir + runName + ".xml"));
            break;
        }
        const Death death = deathOf(*log, end, watch);
        std::fflush(stdout);
        if (log->testsReached.load() == 0 && piece.number == 1) {
            std::fprintf(stderr, "rtrun: the run died before its first test (%s): no report\n", death.reason.c_str());
            return eCannotRun;
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
        if (plannedTests.empty()) plannedTests = planTests(plan.scripts);
        std::fprintf(stderr, "rtrun: %s: %s; the run goes on after it\n",
                     describeTest(plannedTests, death).c_str(), death.reason.c_str());

        const bool advanced = death.scriptIndex > piece.resumeScript ||
                              (death.scriptIndex == piece.resumeScript && death.position > piece.resumePosition);
        if (!advanced) {
            std::fprintf(stderr, "rtrun: the run died again where it resumed (%s); it stops here\n",
                         death.reason.c_str());
            break;
        }
        piece.number += 1;
        piece.resumeScript = death.scriptIndex;
        piece.resumePosition = death.position;
        piece.resultDir = piecesDir + std::to_string(piece.number) + "/";
        fs::create_directories(piece.resultDir);
    }

    RunTally tally(plan.durations);
    RunSummary summary(plan);
    std::string problem;
    if (plannedTests.empty()) plannedTests = planTests(plan.scripts);
    if (!mergePieces(pieces, plannedTests, Process::monotonicSeconds() - started, tally,
                     summary.totals, problem)) {
        std::fprintf(stderr, "rtrun: the pieces of the run cannot be merged: %s\n", problem.c_str());
        return eCannotRun;
    }
    for (const PieceRecord& record : pieces) tally.addProblems(record.scriptProblems, record.librariesRefused);
    summary.nameFiles(fixedReport, results + runName + ".htm",
                      results + Rt::platform().toStdString() + "/" + runName + ".email");
    std::error_code ignored;
    fs::remove_all(piecesDir, ignored);
    const int status = summary.finish(tally);
    return status == ePassed ? eFailed : status;  // a test died: never a clean run
}

} // namespace rtrun
