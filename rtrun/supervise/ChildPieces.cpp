#include "rtrun/supervise/ChildPieces.h"
#include "rtrun/supervise/ChildWatch.h"
#include "rtrun/run/InProcessRun.h"
#include "rtrun/run/RunSummary.h"
#include "rtrun/system/DeathNotice.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "rtrun/system/Process.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace rtrun {

int childBody(void* context) {
    const ChildContext& child = *static_cast<ChildContext*>(context);
    // The lines of children that run at once must never mix: each goes out whole.
    if (child.piece->board) Process::lineBuffer(stdout);
    child.piece->log->testThread.store(Process::threadId());
    Process::noticeDeaths(&child.piece->log->crash);
    return runInProcess(*child.plan, child.piece);
}

std::string describeTest(const std::vector<PlannedTest>& plan, const Death& death) {
    for (const PlannedTest& test : plan) {
        if (test.scriptIndex != death.scriptIndex || test.position != death.position) continue;
        const std::string phase = death.inTest ? phaseWords(death.phase) : "";
        return std::string(death.inTest ? "" : "after ") + test.group + "/" + test.caseName + " (" + test.script +
               ", test " + std::to_string(test.position + 1) + ")" + (phase.empty() ? "" : ", " + phase);
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
    piece.throws = log.allThrows();
    piece.scriptProblems = log.scriptProblems.load();
    piece.librariesRefused = log.librariesRefused.load();
    return piece;
}

void endWhatTheChildStarted(int pid, const std::vector<int>& spared) {
    Process::signalGroup(pid, Process::kKillSignal);
    std::string named;
    for (const std::string& process : Process::killChildren(pid, spared)) named += (named.empty() ? "" : ", ") + process;
    if (!named.empty())
        std::fprintf(stderr, "rtrun: warning: processes the tests started were still running; they are killed: %s\n",
                     named.c_str());
}

int finishPieces(const RunPlan& plan, const std::vector<PieceRecord>& pieces, const std::vector<PlannedTest>& planned,
                 double runSeconds, const std::string& runName, int interrupted, int notReached) {
    const std::string results = withTrailingSlash(Rt::resultDir().toStdString());
    const std::string fixedReport = results + runName + ".xml";
    RunTally tally(plan.durations);
    RunSummary summary(plan);
    std::string problem;
    if (!mergePieces(pieces, planned, runSeconds, tally, summary.totals, problem)) {
        std::fprintf(stderr, "rtrun: the pieces of the run cannot be merged: %s\n", problem.c_str());
        return interrupted ? 128 + interrupted : eCannotRun;
    }
    // Each child shows the problems of the scripts it was first in; every
    // child loads every library.
    int scriptProblems = 0, librariesRefused = 0;
    for (const PieceRecord& record : pieces) {
        scriptProblems += record.scriptProblems;
        librariesRefused = std::max(librariesRefused, record.librariesRefused);
    }
    tally.addProblems(scriptProblems, librariesRefused);
    if (interrupted) {
        tally.interrupt(interrupted);
        tally.skipInterrupted(notReached);
    } else {
        tally.interrupt(Process::cancelSignal());  // one that came while the pieces were merged
    }
    summary.nameFiles(fixedReport, results + runName + ".htm",
                      results + Rt::platform().toStdString() + "/" + runName + ".email");
    std::error_code ignored;
    std::filesystem::remove_all(results + "." + runName + ".pieces/", ignored);
    const int status = summary.finish(tally);
    const bool died = std::any_of(pieces.begin(), pieces.end(), [](const PieceRecord& piece) { return piece.died; });
    return status == ePassed && died ? eFailed : status;  // a test died: never a clean run
}

} // namespace rtrun
