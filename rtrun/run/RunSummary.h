#pragma once
#include "rtrun/history/HistoryRecorder.h"
#include "rtrun/run/RunPlan.h"
#include "rtrun/run/RunTally.h"
#include <string>

namespace rtrun {

// The end of a run as rtrun tells it: after the framework's progress lines,
// the totals, one line per test that failed or did not run, and the files
// written; its exit status.
struct RunSummary {
    explicit RunSummary(const RunPlan& plan);
    // The run's report, page and e-mail summary, as the closing lines show them.
    void nameFiles(const std::string& reportPath, const std::string& pagePath, const std::string& emailPath);

    Rt::ErrorSummary totals;
    std::string report;
    std::string page;
    std::string email;
    std::string movedTo;  // the run's own result directory, when a live run held the names
    int durations = 5;    // how many of the slowest tests to name
    std::string junit;    // where to write the run's results as JUnit XML, when asked
    bool sharded = false; // one shard of a run: selecting no test is fine
    // The run's identity, platform, scripts and the problems found before it
    // started (scripts found nowhere), for its index and verdict.
    TestIndex::Facts facts;
    TestFilter filter;    // to say so when it matched no test
    bool strictFiles = false;  // an index that cannot be written makes the exit status 2
    HistoryPlace history; // where the run records itself (a shard does not: its merge does)
    std::string identity; // the job the run belongs to, as its history records it

    // Prints the closing lines and returns the exit status.
    int finish(const RunTally& tally) const;

private:
    void publishPageLink() const;
    // Records the finished run into its history; what the history says of it goes to `notes`.
    void record(const RunTally& tally, int exitStatus, HistoryNotes& notes) const;
    void explainEmptyFilter() const;
};

// True when the file ends with the report's closing tag.
bool reportIsComplete(const std::string& path);

} // namespace rtrun
