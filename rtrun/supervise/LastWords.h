#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace rtrun {

// The end of what a child wrote to standard error since its current test
// started: the last 64 KiB, kept for the record of a test that dies.
class LastWords {
public:
    static constexpr std::size_t kKept = 64 * 1024;

    void add(const char* bytes, std::size_t size);
    // A new test started: what came before is no longer its.
    void testStarted() { m_text.clear(), m_cut = false; }
    // Whole lines, each safe in an XML report (as single bytes, the
    // report's own text); none when the test wrote nothing.
    std::vector<std::string> lines() const;

private:
    std::string m_text;
    bool m_cut = false;  // its beginning was dropped
};

} // namespace rtrun
