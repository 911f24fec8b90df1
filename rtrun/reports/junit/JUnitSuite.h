#pragma once
// One group of a report as a JUnit testsuite element (see JUnitExport.h for
// what becomes what).
#include "report/reader/ReportModel.h"
#include <map>
#include <set>
#include <string>
#include <vector>

namespace rtrun {

// What a testsuite element states: its testcases, failure and error elements.
struct JUnitCounts {
    int tests = 0;
    int failures = 0;
    int errors = 0;

    void add(const JUnitCounts& other);
};

// A test the run reached but could not make: absent from the report, known
// from the run itself or from the test index beside the report.
struct JUnitNotRun {
    std::string group;
    std::string caseName;
    std::vector<std::string> args;
    std::string reason;
};

// What only the run knows beyond its report.
struct JUnitExtras {
    std::set<int> falseReturnIds;     // tests whose body returned false: one more failure each
    std::vector<JUnitNotRun> notRun;  // each a testcase holding an error
    std::map<int, std::string> throws;  // tests whose body threw: what it threw, by report id
};

JUnitCounts countJUnitSuite(const rtreport::Group& group, const std::set<int>& falseReturnIds,
                            const std::vector<const JUnitNotRun*>& notRun = {});

// The testsuite element with its testcases, indented to sit inside
// testsuites; the not-run tests come last. A suite of only not-run tests
// has an empty group with the not-run tests' group as its title.
std::string junitSuite(const rtreport::Group& group, const JUnitExtras& extras,
                       const std::vector<const JUnitNotRun*>& notRun, const std::string& hostName,
                       const std::string& timestamp);

// The group's time in seconds: its own, or its tests' together when the
// report ends before the group's own was written.
double suiteSeconds(const rtreport::Group& group);

} // namespace rtrun
