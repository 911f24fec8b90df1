#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace rtrun {

// How a test is known across runs: its group's title, its title, its
// arguments and which of the tests with those three it is (from 1). Titles
// are kept as a report holds them, so that two runs of one script agree.
struct TestKey {
    std::string text;  // the fields kept apart by unit separators, whatever they hold
    std::string name;  // as shown: "Group / Title (a, b)", with " #2" from the second occurrence on
    int occurrence = 1;

    static TestKey of(const std::string& group, const std::string& title, const std::vector<std::string>& args,
                      int occurrence);
    // A 64-bit digest of the text, for a database index that a long title cannot overflow.
    std::int64_t digest() const;
};

// Hands out the keys of a run's tests in run order, counting the occurrences.
class TestKeyMaker {
public:
    TestKey next(const std::string& group, const std::string& title, const std::vector<std::string>& args);

private:
    std::unordered_map<std::string, int> m_seen;
};

} // namespace rtrun
