#pragma once
#include <ostream>
#include <string>

namespace rtrun {

// What changed between two reports: new failures, fixed tests, tests still
// failing, new and removed tests, and tests whose time at least doubled and
// grew by more than a second. A test is known by its group's title, its
// title, its arguments and which of the tests with those three it is.
// Returns the exit status: 2 when a report cannot be read (with the reason
// on `errors`) or is cut off (compared as far as it goes, and said so),
// else 1 when there are new failures, else 0. With `markdown`, the names
// are code spans that hold whatever the names hold.
int compareReports(const std::string& oldReport, const std::string& newReport, bool markdown, std::ostream& out,
                   std::ostream& errors);

} // namespace rtrun
