#pragma once
// One group of a report as a JUnit testsuite element (see JUnitExport.h for
// what becomes what).
#include "report/reader/ReportModel.h"
#include <set>
#include <string>

namespace rtrun {

// What a testsuite element states: its testcases, failure and error elements.
struct JUnitCounts {
    int tests = 0;
    int failures = 0;
    int errors = 0;

    void add(const JUnitCounts& other);
};

JUnitCounts countJUnitSuite(const rtreport::Group& group, const std::set<int>& falseReturnIds);

// The testsuite element with its testcases, indented to sit inside testsuites.
std::string junitSuite(const rtreport::Group& group, const std::set<int>& falseReturnIds,
                       const std::string& hostName, const std::string& timestamp);

// The group's time in seconds: its own, or its tests' together when the
// report ends before the group's own was written.
double suiteSeconds(const rtreport::Group& group);

} // namespace rtrun
