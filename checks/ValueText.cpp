#include "checks/ValueText.h"
#include "checks/CheckFunctions.h"
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace Rt {
namespace check {

namespace {

template <class F>
std::string shortestText(F value) {
    char text[64];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A number literal as C++ writes it: an optional minus, digits (with "'"
// separators), a point, an exponent, a suffix; or hexadecimal digits.
bool isNumberLiteral(std::string_view text) {
    std::size_t at = 0;
    if (at < text.size() && text[at] == '-') ++at;
    std::size_t digits = 0;
    if (text.substr(at, 2) == "0x" || text.substr(at, 2) == "0X") {
        for (at += 2; at < text.size() && (isHexDigit(text[at]) || text[at] == '\''); ++at) ++digits;
    } else {
        for (; at < text.size() && (isDigit(text[at]) || text[at] == '.' || text[at] == '\''); ++at)
            digits += isDigit(text[at]);
        if (digits > 0 && at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
            ++at;
            if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
            const std::size_t exponent = at;
            while (at < text.size() && isDigit(text[at])) ++at;
            if (at == exponent) return false;
        }
    }
    while (at < text.size() && std::string_view("uUlLfF").find(text[at]) != std::string_view::npos) ++at;
    return digits > 0 && at == text.size();
}

} // namespace

std::string operandLine(const char* expression, const std::string& value) {
    if (value == expression || isNumberLiteral(expression)) return std::string();
    return std::string(expression) + " = " + value;
}

std::string numberText(double value) { return shortestText(value); }
std::string numberText(float value) { return shortestText(value); }

// long double has no shortest form in every library: max_digits10 digits
// always read back exactly.
std::string numberText(long double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char text[80];
    std::snprintf(text, sizeof text, "%.*Lg", std::numeric_limits<long double>::max_digits10, value);
    // printf follows the C locale, which test code may have switched.
    for (char* c = text; *c; ++c)
        if (*c == ',') *c = '.';
    return text;
}

std::string quotedText(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

std::string quotedText(const KxString& text) {
    std::string quoted;
    quoted.reserve(static_cast<std::size_t>(text.numChars()) + 2);
    quoted += '"';
    for (int i = 0; i < text.numChars(); ++i) {
        const KxString::Unit unit = text.at(i);
        quoted += unit > 0xFF ? '?' : static_cast<char>(unit);
    }
    quoted += '"';
    return quoted;
}

} // namespace check
} // namespace Rt
