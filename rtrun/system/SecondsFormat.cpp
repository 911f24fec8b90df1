#include "rtrun/system/SecondsFormat.h"
#include "report/SecondsText.h"
#include <charconv>

namespace rtrun {

std::string twoDecimalSeconds(double seconds) {
    char text[48];
    Rt::twoDecimals(seconds < 0 ? 0.0 : seconds, text, sizeof text);
    return text;
}

std::string shortSeconds(double seconds) {
    char text[48];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, seconds, std::chars_format::general);
    return std::string(text, written.ptr);
}

} // namespace rtrun
