#pragma once
#include "rtrun/history/HistoryPlace.h"
#include "rtrun/reports/TestIndex.h"
#include "rtrun/run/TestFilter.h"
#include <string>
#include <vector>

namespace rtrun {

struct PieceLog;
class ClaimBoard;
struct RunUnits;

// What a run is to do, settled before any test library loads.
struct RunPlan {
    // What the run does with its scripts: run them, list the tests they
    // would run, or (given none) list every registered test case.
    enum class Purpose { eRun, eListTests, eListCases };
    Purpose purpose = Purpose::eRun;
    std::vector<std::string> scripts;  // as the driver reads them, relative to Config/
    TestFilter filter;
    std::vector<std::string> libDirs;  // beyond the core library's directory
    std::string movedTo;               // the run's own result directory, when a live run held the names
    double timeout = 0;                // seconds a phase of test code may run; 0: no limit
    double killGrace = 5;              // seconds a cancelled test has between SIGTERM and SIGKILL
    int shardIndex = 0;                // this run's shard, of shardCount
    int shardCount = 1;
    int durations = 5;                 // how many of the slowest tests to name
    int jobs = 1;                      // children that run the tests at once
    bool jobsByGroup = false;          // they claim whole groups instead of single tests
    TestFilter serial;                 // tests that run alone, after the others (none when empty)
    bool statusLine = false;           // a supervisor keeps a status line on standard error, a terminal
    std::string junit;                 // where to write the run's results as JUnit XML, when asked
    HistoryPlace history;              // where the finished run records itself
    // Which run this is, for merging its shards: --run-id, else the CI's
    // job or pipeline number; empty when nothing names it.
    std::string runId;
    std::string runIdSource;           // the option or variable it came from
    // Scripts found nowhere, left out of `scripts`: each a script problem of the run.
    std::vector<TestIndex::Problem> missingScripts;
};

// A supervised child's share of a run.
struct Piece {
    int number = 1;  // the first child shows the run's start-up lines
    // Only the tests after this one run (script index, position); -1: all.
    // At several jobs, only those of the unfinished unit are meant.
    int resumeScript = -1;
    int resumePosition = -1;
    PieceLog* log = nullptr;
    // Where the child writes its report, for the supervisor to merge; empty
    // for a first child whose report is the run's own.
    std::string resultDir;
    // At several jobs: the board the child claims units from, the units,
    // and the unit a child that died left unfinished (-1: none).
    ClaimBoard* board = nullptr;
    const RunUnits* units = nullptr;
    int unfinishedUnit = -1;
};

} // namespace rtrun
