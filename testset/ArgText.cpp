#include "testset/ArgText.h"
#include <cctype>
#include <charconv>

namespace Rt {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// from_chars takes "-" but not "+": one "+" is dropped here, and a sign
// after it ("+-1") stays and fails.
std::string_view withoutPlus(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    return text;
}

template <class T>
ArgReading readWhole(std::string_view text, T& value) {
    text = withoutPlus(trimmed(text));
    if (text.empty()) return ArgReading::malformed;
    T read{};
    const std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), read);
    if (result.ptr != text.data() + text.size()) return ArgReading::malformed;
    if (result.ec == std::errc::result_out_of_range) return ArgReading::outOfRange;
    if (result.ec != std::errc()) return ArgReading::malformed;
    value = read;
    return ArgReading::ok;
}

bool sameWord(std::string_view text, const char* word) {
    std::size_t i = 0;
    for (; word[i]; ++i)
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    return i == text.size();
}

} // namespace

ArgReading readArgText(std::string_view text, double& value) { return readWhole(text, value); }
ArgReading readArgText(std::string_view text, int& value) { return readWhole(text, value); }
ArgReading readArgText(std::string_view text, long long& value) { return readWhole(text, value); }

ArgReading readArgText(std::string_view text, bool& value) {
    text = trimmed(text);
    for (const char* word : {"true", "yes", "on", "1"})
        if (sameWord(text, word)) {
            value = true;
            return ArgReading::ok;
        }
    for (const char* word : {"false", "no", "off", "0"})
        if (sameWord(text, word)) {
            value = false;
            return ArgReading::ok;
        }
    return ArgReading::malformed;
}

const char* expectedDouble() { return "a number such as 12.5, -3 or 1e-09"; }
const char* expectedInt() { return "a whole number from -2147483648 to 2147483647"; }
const char* expectedLongLong() { return "a whole number from -9223372036854775808 to 9223372036854775807"; }
const char* expectedBool() { return "true, false, yes, no, on, off, 1 or 0"; }

} // namespace Rt
