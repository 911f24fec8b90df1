#pragma once
#include "rtrun/history/TestJudgement.h"
#include "rtrun/reports/TestKey.h"
#include <map>
#include <set>
#include <string>
#include <vector>

namespace rtrun {

// A finished run as its caller knows it, beside what its report holds.
struct FinishedRun {
    // A test the report has no element for: it was never made. Its texts
    // are as rtrun's tally holds them (the report's single bytes).
    struct UnmadeTest {
        std::string group, title;
        std::vector<std::string> args;
        std::string why;
    };
    std::string report;  // the complete report
    int exitStatus = 0;
    std::string identity;  // the job the run belongs to
    std::vector<UnmadeTest> unmade;
    std::set<int> falseReturns;  // report ids of tests whose body returned false: their elements hold no error
    std::map<int, std::string> throws;  // report ids of tests whose body threw: what it threw (single bytes)
};

// A test as the history records it. Texts are UTF-8, as the report reader gives them.
struct RecordedTest {
    TestKey key;
    std::string group, title, args;  // args kept apart by unit separators
    std::string script, caseName;    // from the test index; empty without one
    Verdict verdict = Verdict::ePassed;
    double seconds = 0;
    std::string error;  // the first error's text, or why it did not run
    int reportId = -1;
};

// The run's own row and its tests'.
struct RunRecord {
    std::string platform, machine, name;
    long long started = 0;  // seconds since 1970
    double seconds = 0;
    int passed = 0, failed = 0, notRun = 0;
    std::vector<RecordedTest> tests;
};

// Reads the report, the test index beside it and the unmade tests into the
// rows to record; false, with the reason, when the report cannot be read.
bool readRunRecord(const FinishedRun& run, RunRecord& record, std::string& problem);

// The verdict a report's failing test gets from its first error's text.
Verdict verdictOfError(const std::string& firstError);

// A run name from a report's path: its file name without ".xml".
std::string runNameOf(const std::string& reportPath);

// The single bytes rtrun's tally and the report hold, as UTF-8, and back.
std::string utf8Of(const std::string& singleBytes);

} // namespace rtrun
