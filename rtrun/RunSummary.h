#pragma once
#include "rtrun/RunTally.h"
#include <string>

namespace rtrun {

// The end of a run as rtrun tells it: after the framework's progress lines,
// the totals, one line per test that failed or did not run, and the files
// written; its exit status.
struct RunSummary {
    Rt::ErrorSummary totals;
    std::string report;
    std::string page;
    std::string email;
    std::string movedTo;  // the run's own result directory, when a live run held the names
    int durations = 5;    // how many of the slowest tests to name
    std::string junit;    // where to write the run's results as JUnit XML, when asked
    bool sharded = false; // one shard of a run: selecting no test is fine

    // Prints the closing lines and returns the exit status.
    int finish(const RunTally& tally) const;

private:
    void publishPageLink() const;
};

// The file beside a report that tells, per test id, the script, the
// position in it and the case name that made the test.
std::string indexPathOf(const std::string& reportPath);
bool writeIndex(const std::string& path, const RunTally& tally);

// True when the file ends with the report's closing tag.
bool reportIsComplete(const std::string& path);

} // namespace rtrun
