#pragma once
#include <ostream>
#include <string>

namespace rtrun {

// What changed between two reports: new failures, fixed tests, tests still
// failing, new and removed tests, and tests whose time at least doubled and
// grew by more than a second. A test is known by its group's title, its
// title, its arguments and which of the tests with those three it is.
// Returns the exit status: 1 when there are new failures, 2 when a report
// cannot be read (with the reason on `errors`), else 0.
int compareReports(const std::string& oldReport, const std::string& newReport, bool markdown, std::ostream& out,
                   std::ostream& errors);

} // namespace rtrun
