#pragma once
// Converts a report into JUnit XML, the test-result format CI servers show.
//
// One testsuite per group (name = the group's title), one testcase per test
// (name = its title, with its arguments added when the title repeats in the
// group; classname = the group's title). A failure element per Error record,
// an error element per ExtError or KxError record and for a test the report
// ends inside, warnings in the testcase's system-out. A test the run could
// not make is a testcase of its group with an error "not run: <reason>".
// Each testsuite's and the testsuites' failures count the testcases holding
// a failure element, errors those holding an error element (a testcase may
// count in both). Records a group holds outside its tests become a testcase
// of their own.
#include "rtrun/reports/junit/JUnitSuite.h"
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
// `extras` holds what the report itself does not say.
JUnitOutcome writeJUnit(const std::string& reportPath, const std::string& outPath, const JUnitExtras& extras = {});

// `rtrun --junit-from REPORT FILE`: the exit status, with one line on
// standard error when the report cannot be converted. `extras` come from
// the test index beside the report, when there is one.
int convertReportToJUnit(const std::string& reportPath, const std::string& outPath, const JUnitExtras& extras = {});

} // namespace rtrun
