#pragma once
#include "corelib/KxString.h"
#include "env/InternalExport.h"

namespace Rt {

// A value with two decimals after a point, as printf's "%.2f" writes it in
// the C locale, whatever locale test code switched the process to. Writes
// at most size - 1 characters and a terminating zero; returns the length.
RT_INTERNAL_API int twoDecimals(double value, char* text, int size);

// The report's time values, "1.23 Seconds": two decimals after a point,
// whatever locale test code switched the process to.
struct RT_INTERNAL_API SecondsText {
    explicit SecondsText(double seconds);
    operator KxString() const { return text; }
    char text[48];
};

} // namespace Rt
