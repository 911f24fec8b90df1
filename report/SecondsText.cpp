#include "report/SecondsText.h"
#include <clocale>
#include <cstdio>
#include <cstring>

namespace Rt {

SecondsText::SecondsText(double seconds) {
    std::snprintf(text, sizeof(text), "%.2f Seconds", seconds);
    // The C library formats with the locale's decimal separator, which may
    // be a comma or even several bytes long: it becomes a point.
    const char* point = std::localeconv()->decimal_point;
    if (!point || std::strcmp(point, ".") == 0) return;
    if (char* at = std::strstr(text, point)) {
        const std::size_t length = std::strlen(point);
        *at = '.';
        std::memmove(at + 1, at + length, std::strlen(at + length) + 1);
    }
}

} // namespace Rt
