#include "rtrun/run/ClaimOrder.h"
#include <algorithm>

namespace rtrun {

RunUnits unitsOf(const std::vector<PlannedTest>& selected, bool byGroup) {
    RunUnits units;
    units.unitOfTest.reserve(selected.size());
    for (std::size_t i = 0; i < selected.size(); ++i) {
        const bool sameGroup = i > 0 && selected[i].groupIndex == selected[i - 1].groupIndex;
        if (!byGroup || !sameGroup) units.firstTest.push_back(static_cast<int>(i));
        units.unitOfTest.push_back(units.count() - 1);
    }
    return units;
}

ClaimOrder claimOrder(const std::vector<double>& expected, const std::vector<bool>& serial, int jobs) {
    double work = 0;
    for (const double seconds : expected) work += std::max(seconds, 0.0);
    const double threshold = std::max(0.5, 0.02 * work / std::max(jobs, 1));
    const int units = static_cast<int>(expected.size());
    ClaimOrder claims;
    std::vector<int> unknown, longest, rest, alone;
    for (int unit = 0; unit < units; ++unit) {
        if (unit < static_cast<int>(serial.size()) && serial[unit]) alone.push_back(unit);
        else if (expected[unit] < 0) unknown.push_back(unit);
        else if (expected[unit] >= threshold) longest.push_back(unit);
        else rest.push_back(unit);
    }
    std::stable_sort(longest.begin(), longest.end(), [&](int a, int b) { return expected[a] > expected[b]; });
    for (const std::vector<int>* part : {&unknown, &longest, &rest, &alone})
        claims.order.insert(claims.order.end(), part->begin(), part->end());
    claims.parallelUnits = units - static_cast<int>(alone.size());
    return claims;
}

} // namespace rtrun
