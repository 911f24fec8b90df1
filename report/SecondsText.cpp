#include "report/SecondsText.h"
#include <charconv>
#include <cstdio>
#include <cstring>

namespace Rt {

// to_chars formats as printf does in the C locale, whatever locale the
// process runs in, and without printf's cost.
int twoDecimals(double value, char* text, int size) {
    if (size <= 0) return 0;
    const std::to_chars_result made = std::to_chars(text, text + size - 1, value, std::chars_format::fixed, 2);
    if (made.ec == std::errc()) {
        *made.ptr = '\0';
        return static_cast<int>(made.ptr - text);
    }
    // More integer digits than the text holds: its leading ones, point or not.
    const int length = std::snprintf(text, static_cast<std::size_t>(size), "%.2f", value);
    return length < size ? length : size - 1;
}

SecondsText::SecondsText(double seconds) {
    static const char unit[] = " Seconds";
    const int length = twoDecimals(seconds, text, static_cast<int>(sizeof(text) - sizeof(unit) + 1));
    std::memcpy(text + length, unit, sizeof(unit));
}

} // namespace Rt
