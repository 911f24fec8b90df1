#pragma once
#include "rtrun/run/ScriptSelection.h"
#include <vector>

namespace rtrun {

// The units a run at several jobs shares out: each selected test on its
// own, or (for suites whose tests in a group share files) each group whole.
struct RunUnits {
    std::vector<int> unitOfTest;  // per selected test, in script order
    std::vector<int> firstTest;   // per unit: its first test's index among the selected
    int count() const { return static_cast<int>(firstTest.size()); }
};
RunUnits unitsOf(const std::vector<PlannedTest>& selected, bool byGroup);

// The order in which the units are claimed, and how many of them (the
// first ones) make the parallel part; the rest run one at a time after it.
struct ClaimOrder {
    std::vector<int> order;
    int parallelUnits = 0;
};

// Orders the units for `jobs` children. `expected` holds each unit's
// expected seconds, negative when unknown; `serial` marks the units that
// must run alone.
//
// Longest first shortens the night, but a child walks the scripts forward
// only, so each step back costs a new child. The units that can decide the
// night's length come first: those never timed (they may be long), then
// those of at least max(0.5 s, 2 % of the work per job), longest first. The
// rest follow in script order, which keeps the children moving forward:
// none of them can leave the night more than 2 % of a job's work longer.
// Without any known time (a first night) this is script order.
ClaimOrder claimOrder(const std::vector<double>& expected, const std::vector<bool>& serial, int jobs);

} // namespace rtrun
