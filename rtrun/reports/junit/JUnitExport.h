#pragma once
// Converts a report into JUnit XML, the test-result format CI servers show.
//
// One testsuite per group (name = the group's title), one testcase per test
// (name = its title, with its arguments added when the title repeats in the
// group; classname = the group's title). A failure element per Error record,
// an error element per ExtError or KxError record and for a test the report
// ends inside, warnings in the testcase's system-out. Each testsuite's and
// the testsuites' failures and errors count those elements. Records a group
// holds outside its tests become a testcase of their own.
#include <set>
#include <string>

namespace rtrun {

struct JUnitOutcome {
    bool written = false;
    bool reportCutOff = false; // converted as far as the report goes
    // Not written: why, in one line naming the file. Cut off: where the report ends.
    std::string problem;
};

// Reads the report at `reportPath` (twice: totals first, then the groups, so
// memory stays bounded by the largest group) and writes `outPath`.
// `falseReturnIds` are the ids of tests whose body returned false, which only
// the live run knows; each gets one more failure.
JUnitOutcome writeJUnit(const std::string& reportPath, const std::string& outPath,
                        const std::set<int>& falseReturnIds = {});

// `rtrun --junit-from REPORT FILE`: the exit status, with one line on
// standard error when the report cannot be converted.
int convertReportToJUnit(const std::string& reportPath, const std::string& outPath);

} // namespace rtrun
