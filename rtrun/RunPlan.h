#pragma once
#include "rtrun/Options.h"
#include "rtrun/TestFilter.h"
#include <string>
#include <vector>

namespace rtrun {

struct PieceLog;

// What a run is to do, settled before any test library loads.
struct RunPlan {
    const Options& options;
    std::vector<std::string> scripts;  // as the driver reads them, relative to Config/
    TestFilter filter;
    std::vector<std::string> libDirs;  // beyond the core library's directory
    std::string movedTo;               // the run's own result directory, when a live run held the names
    double timeout = 0;                // seconds a test body may run; 0: no limit
    int shardIndex = 0;                // this run's shard, of shardCount
    int shardCount = 1;
};

// A supervised child's share of a run.
struct Piece {
    int number = 1;  // the first child runs as an unsupervised run would
    // Only the tests after this one run (script index, position); -1: all.
    int resumeScript = -1;
    int resumePosition = -1;
    PieceLog* log = nullptr;
    std::string resultDir;  // where a later child writes its report
};

} // namespace rtrun
