#pragma once
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

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

// One side of a comparison: the tests by their key's text (TestKey), in run order.
struct KeyedOutcomes {
    struct Outcome {
        bool failed = false;
        double seconds = 0;
    };
    std::map<std::string, Outcome> byKey;
    std::vector<std::pair<std::string, std::string>> order;  // key, name as shown
    std::vector<std::string> notes;  // printed before the changes: where a side comes from, why it is incomplete
    bool cutOff = false;             // the side's report ends early: no verdict stands on it
};

// Prints what changed from `before` to `after`, as compareReports does; returns its exit status.
int printChanges(const KeyedOutcomes& before, const KeyedOutcomes& after, bool markdown, std::ostream& out);

} // namespace rtrun
