#pragma once
#include <cstdint>
#include <string>
#include <string_view>
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

// The digest's hash (64-bit FNV-1a) of `text`, going on from `hash`: the
// hash of what comes before it, or the start of a hash of `text` alone.
constexpr std::uint64_t kDigestStart = 14695981039346656037ull;
std::uint64_t digestOf(std::string_view text, std::uint64_t hash = kDigestStart);

// Counts how often each text has come, without an allocation per text: the
// texts are kept one after the other in one buffer, found through an
// open-addressing table of their digests.
class Occurrences {
public:
    // How often `text` has come, this time included; `digest` is a hash of
    // it (the same for the same text).
    int next(std::string_view text, std::uint64_t digest);

private:
    struct Slot {
        std::uint64_t digest = 0;
        std::size_t at = 0;
        std::uint32_t length = 0;
        int count = 0;  // 0: the slot is free
    };
    void grow();

    std::string m_texts;
    std::vector<Slot> m_slots;  // a power of two of them, at most half in use
    std::size_t m_used = 0;
};

// Hands out the keys of a run's tests in run order, counting the occurrences.
class TestKeyMaker {
public:
    TestKey next(const std::string& group, const std::string& title, const std::vector<std::string>& args);

private:
    Occurrences m_seen;
};

} // namespace rtrun
