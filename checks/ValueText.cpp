#include "checks/ValueText.h"
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

} // namespace

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
