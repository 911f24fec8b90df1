#pragma once
#include "rtrun/reports/TestSelector.h"
#include "rtrun/history/HistoryPlace.h"
#include <functional>
#include <ostream>
#include <string>

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

// rtrun --compare last NEW: what changed from the run recorded before NEW
// (of the same suite and platform) to NEW, as --compare says it.
int compareWithLastRun(const HistoryPlace& place, const std::string& newReport, bool markdown, std::ostream& out,
                       std::ostream& errors);

} // namespace rtrun
