#include "rtrun/supervise/JobsSupervisor.h"
#include "rtrun/supervise/RunProgress.h"
#include "rtrun/history/HistoryCommands.h"
#include "rtrun/reports/EarlierTimes.h"
#include "rtrun/run/ClaimBoard.h"
#include "rtrun/run/ClaimOrder.h"
#include "rtrun/run/InProcessRun.h"
#include "rtrun/supervise/ChildPieces.h"
#include "rtrun/supervise/ChildStart.h"
#include "rtrun/supervise/ChildWatch.h"
#include "rtrun/supervise/Supervisor.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "rtrun/system/Process.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>

namespace rtrun {

namespace {

namespace fs = std::filesystem;

// A place for one child at a time; its log serves the children that take
// the place in turn.
struct Slot {
    PieceLog* log = nullptr;
    Piece piece;
    std::unique_ptr<ChildWatch> watch;
    Process::WatchedChild child;  // pid -1 while the place is free
};

// What a child that died left of its unit: the unit's tests after (script, position).
struct Unfinished {
    int unit, script, position;
};

// Each selected test's time in the last run the history recorded of this
// suite and platform, else in the latest earlier report beside this run's;
// negative when unknown.
std::vector<double> earlierTestTimes(const RunPlan& plan, const std::vector<PlannedTest>& selected) {
    std::vector<double> times(selected.size(), -1);
    const std::string platform = Rt::platform().toStdString();
    RecordedTimes recorded;
    if (lastRunTimes(plan.history, platform, recorded)) {
        std::map<std::string, std::size_t> taken;  // a key's occurrences so far
        for (std::size_t i = 0; i < selected.size(); ++i) {
            const std::string key = recordedTimeKey(selected[i].script, selected[i].caseName, selected[i].args);
            const auto found = recorded.find(key);
            std::size_t& occurrence = taken[key];
            if (found != recorded.end() && occurrence < found->second.size()) times[i] = found->second[occurrence];
            ++occurrence;
        }
        return times;
    }
    const std::map<ScriptPlace, double> earlier = earlierTimes(withTrailingSlash(Rt::resultDir().toStdString()), platform);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        const auto found = earlier.find(ScriptPlace{selected[i].script, selected[i].position, selected[i].caseName});
        if (found != earlier.end()) times[i] = found->second;
    }
    return times;
}

// Each unit's expected seconds: the sum of its tests'; negative when one of them is unknown.
std::vector<double> expectedSeconds(const std::vector<double>& testTimes, const RunUnits& units) {
    std::vector<double> expected(static_cast<std::size_t>(units.count()), 0.0);
    for (std::size_t i = 0; i < testTimes.size(); ++i) {
        double& unit = expected[static_cast<std::size_t>(units.unitOfTest[i])];
        unit = testTimes[i] < 0 || unit < 0 ? -1 : unit + testTimes[i];
    }
    return expected;
}

std::vector<bool> serialUnits(const std::vector<PlannedTest>& selected, const RunUnits& units, const TestFilter& serial) {
    std::vector<bool> alone(static_cast<std::size_t>(units.count()), false);
    if (serial.empty()) return alone;
    for (std::size_t i = 0; i < selected.size(); ++i)
        if (serial.selects(selected[i].group, selected[i].caseName)) alone[static_cast<std::size_t>(units.unitOfTest[i])] = true;
    return alone;
}

class JobsRun {
public:
    JobsRun(const RunPlan& plan, const std::vector<PlannedTest>& selected, const RunUnits& units, ClaimBoard& board,
            double expectedWork)
        : m_plan(plan), m_selected(selected), m_units(units), m_board(board),
          m_runName(Rt::TestReporter::makeRunName().toStdString()),
          m_piecesDir(withTrailingSlash(Rt::resultDir().toStdString()) + "." + m_runName + ".pieces/") {
        if (plan.statusLine) m_progress = std::make_unique<RunProgress>(selected, expectedWork, plan.jobs, stderr);
    }

    // Makes a log for each of up to `jobs` children; false when not even one can be had.
    bool makeSlots(int jobs, std::string& problem) {
        const std::string results = withTrailingSlash(Rt::resultDir().toStdString());
        for (int i = 0; i < jobs; ++i) {
            PieceLog* log = PieceLog::create(kPieceLogCapacity, results, problem);
            if (!log) break;
            m_slots.emplace_back();
            m_slots.back().log = log;
        }
        return !m_slots.empty();
    }

    int run() {
        const double started = Process::monotonicSeconds();
        std::error_code error;
        fs::create_directories(m_piecesDir, error);
        for (;;) {
            if (!m_interrupted && (m_interrupted = Process::cancelSignal())) m_board.stop();
            startChildren();
            if (live() == 0) {
                // The units that must run alone, once the others are through.
                if (!m_stopped && !m_interrupted && m_board.exhausted() && m_board.hasSerialPart() &&
                    !m_board.inSerialPart()) {
                    m_board.openSerialPart();
                    continue;
                }
                break;
            }
            std::vector<Process::WatchedChild> watched;
            std::vector<Slot*> owners;
            for (Slot& slot : m_slots) {
                if (slot.child.pid < 0) continue;
                watched.push_back(slot.child);
                owners.push_back(&slot);
            }
            Process::ChildEnd end;
            const int ended = Process::waitAnyChild(watched, end, m_progress ? &JobsRun::tick : nullptr, this);
            if (ended < 0) {
                std::fprintf(stderr, "rtrun: the children that run the tests cannot be waited for\n");
                for (Slot* slot : owners) Process::signalGroup(slot->child.pid, Process::kKillSignal);
                return eCannotRun;
            }
            for (std::size_t k = 0; k < owners.size(); ++k) owners[k]->child.watching = watched[k].watching;
            childEnded(*owners[static_cast<std::size_t>(ended)], end);
        }
        if (m_cannotRun || m_pieces.empty()) {
            fs::remove_all(m_piecesDir, error);
            return m_interrupted ? 128 + m_interrupted : eCannotRun;
        }
        if (m_progress) m_progress->line().clear();
        int reached = 0;
        for (const PieceRecord& piece : m_pieces) reached += static_cast<int>(piece.ids.size());
        const int notReached = m_interrupted ? std::max(0, static_cast<int>(m_selected.size()) - reached) : 0;
        const int status = finishPieces(m_plan, m_pieces, plannedTests(), Process::monotonicSeconds() - started,
                                        m_runName, m_interrupted, notReached);
        return status == ePassed && m_endedBadly ? eFailed : status;
    }

private:
    static void tick(void* context) {
        JobsRun& run = *static_cast<JobsRun*>(context);
        std::vector<const PieceLog*> running;
        for (const Slot& slot : run.m_slots)
            if (slot.child.pid >= 0) running.push_back(slot.log);
        run.m_progress->tick(running);
    }

    int live() const {
        return static_cast<int>(std::count_if(m_slots.begin(), m_slots.end(), [](const Slot& slot) { return slot.child.pid >= 0; }));
    }

    std::vector<int> livePids() const {
        std::vector<int> pids;
        for (const Slot& slot : m_slots)
            if (slot.child.pid >= 0) pids.push_back(slot.child.pid);
        return pids;
    }

    const std::vector<PlannedTest>& plannedTests() {
        if (m_planned.empty()) m_planned = planTests(m_plan.scripts);
        return m_planned;
    }

    // Fills the free places while there is work: the rest of a unit whose
    // child died first, then new claims (one child at a time for the units
    // that must run alone).
    void startChildren() {
        for (Slot& slot : m_slots) {
            if (slot.child.pid >= 0 || m_stopped || m_interrupted) continue;
            if (m_unfinished.empty() && (m_board.exhausted() || (m_board.inSerialPart() && live() > 0))) continue;
            if (!startChild(slot)) m_stopped = true;
        }
    }

    bool startChild(Slot& slot) {
        slot.log->reset();
        Piece& piece = slot.piece;
        piece.number = m_nextNumber++;
        piece.log = slot.log;
        piece.resultDir = m_piecesDir + std::to_string(piece.number) + "/";
        piece.board = &m_board;
        piece.units = &m_units;
        piece.unfinishedUnit = piece.resumeScript = piece.resumePosition = -1;
        if (!m_unfinished.empty()) {
            piece.unfinishedUnit = m_unfinished.front().unit;
            piece.resumeScript = m_unfinished.front().script;
            piece.resumePosition = m_unfinished.front().position;
            m_unfinished.pop_front();
        }
        std::error_code error;
        fs::create_directories(piece.resultDir, error);
        // What the children write passes rtrun on its way, line by line.
        int errorPipe = -1, outputPipe = -1;
        const int pid = startPieceChild(m_plan, piece, &errorPipe, &outputPipe);
        if (pid < 0) {
            std::fprintf(stderr, "rtrun: no child process could run the tests\n");
            return false;
        }
        slot.watch = std::make_unique<ChildWatch>(*slot.log, pid, m_plan.timeout, m_plan.killGrace,
                                                  m_progress ? &m_progress->line() : nullptr);
        slot.child.pid = pid;
        slot.child.watching = slot.watch->watching(errorPipe, outputPipe);
        return true;
    }

    void childEnded(Slot& slot, const Process::ChildEnd& end) {
        const int pid = slot.child.pid;
        slot.child.pid = -1;
        endWhatTheChildStarted(pid, livePids());
        Process::drainOutput(slot.child.watching);
        ChildWatch& watch = *slot.watch;
        watch.flushOutput();
        if (m_progress) m_progress->line().clear();
        if (const int signal = watch.cancelledBy()) {
            if (!m_interrupted) m_interrupted = signal;
            m_board.stop();
        }
        const PieceLog& log = *slot.log;
        const std::string report = slot.piece.resultDir + m_runName + ".xml";
        if (log.finished.load()) {
            // Through its scripts; judged by how it ended after them too.
            const bool clean = log.ended.load() && end.exited && end.status == log.exitStatus.load() &&
                               !watch.timedOut() && !watch.cancelledBy();
            if (!clean) {
                std::fflush(stdout);
                std::fprintf(stderr, "rtrun: the test process ended badly after the last test (%s): %s\n",
                             log.phase.load() == PieceLog::eUnloading ? "unloading the test libraries" : "closing the run",
                             watch.deathOf(end).reason.c_str());
                m_endedBadly = true;
            }
            m_pieces.push_back(recordOf(log, report));
            if (m_progress) m_progress->childEnded(log, m_pieces.back());
            return;
        }
        if (log.ended.load() && end.exited && end.status == eCannotRun && log.testsReached.load() == 0) {
            m_cannotRun = true;  // no test library could be used: the child said why
            m_board.stop();
            return;
        }
        const Death death = watch.deathOf(end);
        std::fflush(stdout);
        if (log.testsReached.load() == 0) {
            if (!m_interrupted)
                std::fprintf(stderr, "rtrun: a test process died before its first test (%s); the run stops here\n",
                             death.reason.c_str());
            m_stopped = true;
            m_board.stop();
            return;
        }
        PieceRecord record = recordOf(log, report);
        record.died = true;
        record.death = death;
        m_pieces.push_back(std::move(record));
        if (m_progress) m_progress->childEnded(log, m_pieces.back());
        const bool goesOn = !m_interrupted && !m_stopped;
        std::fprintf(stderr, "rtrun: %s: %s; the run %s\n", describeTest(plannedTests(), death).c_str(),
                     death.reason.c_str(), goesOn ? "goes on after it" : "stops here");
        const int unit = log.unit.load();
        if (goesOn && unit >= 0 && hasTestsAfter(unit, death.scriptIndex, death.position))
            m_unfinished.push_back(Unfinished{unit, death.scriptIndex, death.position});
    }

    bool hasTestsAfter(int unit, int script, int position) const {
        for (std::size_t i = static_cast<std::size_t>(m_units.firstTest[static_cast<std::size_t>(unit)]);
             i < m_selected.size() && m_units.unitOfTest[i] == unit; ++i)
            if (m_selected[i].scriptIndex > script || (m_selected[i].scriptIndex == script && m_selected[i].position > position))
                return true;
        return false;
    }

    const RunPlan& m_plan;
    const std::vector<PlannedTest>& m_selected;
    const RunUnits& m_units;
    ClaimBoard& m_board;
    const std::string m_runName;
    const std::string m_piecesDir;
    std::vector<Slot> m_slots;
    std::vector<PieceRecord> m_pieces;
    std::vector<PlannedTest> m_planned;  // every test of the scripts, found once needed
    std::deque<Unfinished> m_unfinished;
    int m_nextNumber = 1;
    int m_interrupted = 0;
    bool m_stopped = false;
    bool m_cannotRun = false;
    bool m_endedBadly = false;
    std::unique_ptr<RunProgress> m_progress;  // on a terminal
};

} // namespace

int superviseJobs(const RunPlan& plan) {
    const std::vector<PlannedTest> selected = selectedTests(plan);
    const RunUnits units = unitsOf(selected, plan.jobsByGroup);
    if (units.count() < 2) return superviseRun(plan);
    const std::vector<double> expected = expectedSeconds(earlierTestTimes(plan, selected), units);
    const ClaimOrder order = claimOrder(expected, serialUnits(selected, units, plan.serial), plan.jobs);
    double expectedWork = 0;
    for (const double seconds : expected) expectedWork = seconds < 0 || expectedWork < 0 ? -1 : expectedWork + seconds;
    std::string problem = "no shared memory";
    ClaimBoard* board = ClaimBoard::create(order.order, order.parallelUnits, static_cast<int>(plan.scripts.size()));
    if (board) {
        JobsRun run(plan, selected, units, *board, expectedWork);
        if (run.makeSlots(std::min(plan.jobs, units.count()), problem)) {
            Process::adoptOrphans();
            return run.run();
        }
    }
    std::fprintf(stderr, "rtrun: %s for %d jobs: the tests run one at a time\n", problem.c_str(), plan.jobs);
    return superviseRun(plan);
}

} // namespace rtrun
