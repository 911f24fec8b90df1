#pragma once
#include "rtrun/history/HistoryPlace.h"
#include "rtrun/history/RunRecord.h"
#include <map>
#include <string>
#include <vector>

namespace rtrun {

// What the history says about a run just recorded, for its closing summary.
// Texts are in the report's single bytes, as the summary's other lines.
struct HistoryNotes {
    std::map<int, std::string> failures;  // by report id: "(new)", "(failing since ...)", "(flaky: ...)"
    std::vector<std::string> slower;      // "Group / Title: 2.10 s, median 0.52 s"
    std::vector<std::string> fixed;       // names of the tests that failed in the last run and passed in this one
};

// Records the finished run into the history at `place` (its own facts from
// its report's closing record, its tests as `tests` hands them out), in one
// transaction, and judges its failures and times on what was recorded
// before. Says nothing when all goes well; otherwise one line on standard
// error, "rtrun: history <where>: not recorded: <reason>", nothing is
// written and the notes stay empty. Returns whether the run was recorded.
bool recordRun(const HistoryPlace& place, const FinishedRun& run, RecordedTests& tests, HistoryNotes& notes);

// The one line a history that cannot be used gets on standard error.
void reportHistoryProblem(const HistoryPlace& place, const std::string& what, const std::string& reason);

} // namespace rtrun
