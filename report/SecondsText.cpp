#include "report/SecondsText.h"
#include <charconv>
#include <cstdio>
#include <cstring>

namespace Rt {

// to_chars formats as printf's "%.2f" does in the C locale, whatever locale
// the process runs in, and without printf's cost.
SecondsText::SecondsText(double seconds) {
    static const char unit[] = " Seconds";
    char* const end = text + sizeof(text) - sizeof(unit);
    std::to_chars_result made = std::to_chars(text, end, seconds, std::chars_format::fixed, 2);
    if (made.ec == std::errc())
        std::memcpy(made.ptr, unit, sizeof(unit));
    else  // more integer digits than the text holds: its leading ones, point or not
        std::snprintf(text, sizeof(text), "%.2f Seconds", seconds);
}

} // namespace Rt
