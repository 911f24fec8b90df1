#pragma once
#include "rtrun/history/TestJudgement.h"
#include <map>
#include <string>
#include <vector>

namespace rtrun {

// What the report's page shows of the history: the state and recent
// results of each failing test, and the totals of the last runs. It goes
// into a small JSON file beside the report (see pageHistoryJson).
struct PageHistory {
    struct Run {
        std::string name;
        int passed = 0, failed = 0;
        double seconds = 0;
    };
    struct Failure {
        FailureState state;
        std::vector<Verdict> timeline;  // its last results, oldest first, this run's last
    };
    std::vector<Run> runs;               // oldest first, this run last
    std::map<int, Failure> failures;     // by report id
};

// How many runs the page's trend covers.
constexpr int kPageTrendRuns = 30;

// The file beside a report that holds its page's history: "<run>.history.json".
std::string pageHistoryPathBeside(const std::string& reportPath);

// The JSON text of the page's history:
//   {"format": 1,
//    "runs": [{"name": "...", "passed": N, "failed": N, "seconds": S}, ...],
//    "failures": {"<report id>": {"state": "new" | "failing" | "flaky", "note": "(new)",
//                 "since": "<run>", "runs": N, "failed": k, "of": n, "timeline": "ppf"}, ...}}
// Timeline letters: p passed, f failed, c crashed, t timed out, x exited,
// i interrupted, n not run.
std::string pageHistoryJson(const PageHistory& history);

// Writes the text to `path` through a temporary file, so that a page never
// reads half of it; false, with the reason, when it cannot.
bool writePageHistory(const std::string& path, const std::string& json, std::string& problem);

} // namespace rtrun
