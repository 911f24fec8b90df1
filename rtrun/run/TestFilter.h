#pragma once
#include <string>
#include <vector>

namespace rtrun {

// Which tests a run selects, by glob patterns on "group/case": the title of
// the group current when the test is reached, and the test's name in the
// script. Patterns with a leading "-" exclude; a test is selected when it
// matches an including pattern (or there are none) and no excluding one.
class TestFilter {
public:
    // False, with the reason, for a pattern that cannot be used.
    bool add(const std::string& pattern, std::string& problem);
    // Patterns separated by spaces, as KXRT_FILTER holds them.
    bool addAll(const std::string& patterns, std::string& problem);
    bool empty() const { return m_include.empty() && m_exclude.empty(); }
    bool selects(const std::string& group, const std::string& caseName) const;
    // The patterns as given, each in quotes: "'Geometry/*' '-*/Slow*'".
    std::string patterns() const;
    // The patterns as given, in order.
    const std::vector<std::string>& given() const { return m_given; }

private:
    std::vector<std::string> m_include;
    std::vector<std::string> m_exclude;
    std::vector<std::string> m_given;
};

} // namespace rtrun
