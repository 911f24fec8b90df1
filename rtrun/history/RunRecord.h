#pragma once
#include "rtrun/history/TestJudgement.h"
#include <string>
#include <string_view>
#include <vector>

namespace rtrun {

// A finished run as its caller knows it.
struct FinishedRun {
    std::string report;  // the complete report
    int exitStatus = 0;
    std::string identity;  // the job the run belongs to
};

// A test as the history records it, with the texts a reader of the run's
// report and test index gets (UTF-8).
struct RecordedTest {
    std::string group, title;
    std::vector<std::string> args;
    std::string script, caseName;  // from the test index; empty without one
    Verdict verdict = Verdict::ePassed;
    double seconds = 0;  // as the report holds it: to the hundredth
    std::string error;   // the first error's text, or why it did not run
    int reportId = -1;   // -1 for a test that was never made
};

// The tests of a finished run, one after the other: those with a report
// element in report order, then those never made.
class RecordedTests {
public:
    virtual ~RecordedTests() = default;
    // Fills `test` (whose storage is reused) with the next one; false after the last.
    virtual bool next(RecordedTest& test) = 0;
    // Once next() has returned false: why not all of them could be handed
    // out, empty when they were.
    virtual std::string problem() const = 0;
};

// The run's own facts, from its report's closing record.
struct RunFacts {
    std::string platform, machine, name;
    double seconds = 0;
};

// A report read whole, for comparing a report with the history.
struct RunRecord {
    RunFacts facts;
    std::vector<RecordedTest> tests;
};

// Reads the report and the test index beside it into the tests a recording
// of it would hold; false, with the reason, when the report cannot be read.
// What only the run's own process knew (a body that threw or returned
// false, tests never made) is not in the report.
bool readRunRecord(const std::string& report, RunRecord& record, std::string& problem);

// The run's facts from the closing record at the end of a complete report
// (empty texts and no time when it has none); false, with the reason, when
// the file cannot be read.
bool readRunFacts(const std::string& report, RunFacts& facts, std::string& problem);

// The verdict a report's failing test gets from its first error's text.
Verdict verdictOfError(std::string_view firstError);

// A run name from a report's path: its file name without ".xml".
std::string runNameOf(const std::string& reportPath);

// The single bytes rtrun's tally and the report hold, as UTF-8.
std::string utf8Of(const std::string& singleBytes);
// Appends them to `to`, which keeps its storage.
void appendUtf8(std::string& to, std::string_view singleBytes);
// A value the report holds, as its reader hands it out: its line ends
// (CR LF, or CR alone) read as LF, and in UTF-8; appended to `to`.
void appendAsReadBack(std::string& to, std::string_view singleBytes);

} // namespace rtrun
