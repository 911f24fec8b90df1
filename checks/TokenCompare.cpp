#include "checks/TokenCompare.h"
#include "checks/ValueText.h"
#include <algorithm>
#include <charconv>
#include <cmath>

namespace Rt {
namespace golden {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isWordChar(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

std::size_t digitsFrom(std::string_view text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && isDigit(text[end])) ++end;
    return end - at;
}

// The length of a number's text at `at`, 0 when none starts there.
std::size_t numberLength(std::string_view text, std::size_t at) {
    if (at > 0 && isWordChar(text[at - 1])) return 0;
    std::size_t end = at;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
    const std::size_t whole = digitsFrom(text, end);
    end += whole;
    std::size_t fraction = 0;
    if (end < text.size() && text[end] == '.') {
        fraction = digitsFrom(text, end + 1);
        if (whole + fraction == 0) return 0;
        end += 1 + fraction;
    }
    if (whole + fraction == 0) return 0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        const std::size_t digits = digitsFrom(text, exponent);
        if (digits > 0) end = exponent + digits;
    }
    if (end < text.size() && isWordChar(text[end])) return 0;
    return end - at;
}

bool readNumber(std::string_view text, double& value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    const std::from_chars_result read = std::from_chars(text.data(), text.data() + text.size(), value);
    return read.ec == std::errc() && read.ptr == text.data() + text.size();
}

std::string shown(const Token& token) { return std::string(token.text); }

} // namespace

std::vector<Token> tokenize(std::string_view text) {
    std::vector<Token> tokens;
    int line = 1;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (isSpace(c)) {
            if (c == '\n') ++line;
            ++at;
            continue;
        }
        Token token;
        token.line = line;
        std::size_t length = numberLength(text, at);
        // A number too large for a double ("1e999") stays a word: compared exactly.
        if (length > 0 && readNumber(text.substr(at, length), token.value)) {
            token.number = true;
        } else if (isWordChar(c)) {
            length = 0;
            while (at + length < text.size() && isWordChar(text[at + length])) ++length;
        } else {
            length = 1;
        }
        token.text = text.substr(at, length);
        tokens.push_back(token);
        at += length;
    }
    return tokens;
}

bool numbersMatch(double a, double b, double tolerance) {
    if (a == b) return true;
    const double scale = std::max({1.0, std::fabs(a), std::fabs(b)});
    return std::fabs(a - b) <= tolerance * scale;
}

TokenComparison compareTokens(std::string_view reference, std::string_view output, double tolerance) {
    const std::vector<Token> expected = tokenize(reference);
    const std::vector<Token> actual = tokenize(output);
    TokenComparison result;
    const std::size_t common = std::min(expected.size(), actual.size());
    for (std::size_t i = 0; i < common; ++i) {
        const Token& a = expected[i];
        const Token& b = actual[i];
        const std::string where = "reference line " + std::to_string(a.line) + " \"" + shown(a) +
                                  "\", output line " + std::to_string(b.line) + " \"" + shown(b) + "\"";
        if (a.number && b.number) {
            if (numbersMatch(a.value, b.value, tolerance)) continue;
            const double allowed = tolerance * std::max({1.0, std::fabs(a.value), std::fabs(b.value)});
            result.equal = false;
            result.firstDifference = where + " (difference " + check::numberText(std::fabs(a.value - b.value)) +
                                     ", allowed " + check::numberText(allowed) + ")";
            return result;
        }
        if (a.number == b.number && a.text == b.text) continue;
        result.equal = false;
        result.firstDifference = where;
        return result;
    }
    if (expected.size() > common) {
        const Token& missing = expected[common];
        result.equal = false;
        result.firstDifference = "the output ends where the reference goes on: reference line " +
                                 std::to_string(missing.line) + " \"" + shown(missing) + "\"";
    } else if (actual.size() > common) {
        const Token& extra = actual[common];
        result.equal = false;
        result.firstDifference = "the output goes on where the reference ends: output line " +
                                 std::to_string(extra.line) + " \"" + shown(extra) + "\"";
    }
    return result;
}

} // namespace golden
} // namespace Rt
