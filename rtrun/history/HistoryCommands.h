#pragma once
#include "rtrun/reports/TestSelector.h"
#include "rtrun/history/HistoryPlace.h"
#include <functional>
#include <ostream>
#include <map>
#include <string>
#include <vector>

namespace rtrun {

// rtrun --history: the recorded runs of the suite, oldest first, one line
// each (run name, platform, machine, date, tests, failed). No history yet:
// nothing. Returns the exit status; 2 when the history cannot be read.
int printRunHistory(const HistoryPlace& place, std::ostream& out);

// Whether a test, by its group's title and its case name, is asked for.

// rtrun --history --filter P: one line per selected test of the suite's
// last runs on `platform`: its results as a timeline (oldest first; "."
// passed, "F" failed, "C" crashed, "T" timed out, "E" exited, "I"
// interrupted, "-" not run), its name and its time, first to last.
int printTestHistory(const HistoryPlace& place, const std::string& platform, const TestSelector& selects,
                     std::ostream& out);

// How long each test took in the last run of the suite on `platform` that
// the history recorded: by script, case name and arguments (UTF-8, the
// arguments kept apart by unit separators), each key's times in the order of
// its occurrences. False when no history is kept, there is none yet, or it
// cannot be read: nothing is said then.
using RecordedTimes = std::map<std::string, std::vector<double>>;
bool lastRunTimes(const HistoryPlace& place, const std::string& platform, RecordedTimes& times);
// The key of lastRunTimes for a test named by the scripts' single bytes.
std::string recordedTimeKey(const std::string& script, const std::string& caseName, const std::vector<std::string>& args);

// rtrun --compare last NEW: what changed from the run recorded before NEW
// (of the same suite and platform) to NEW, as --compare says it.
int compareWithLastRun(const HistoryPlace& place, const std::string& newReport, bool markdown, std::ostream& out,
                       std::ostream& errors);

} // namespace rtrun
