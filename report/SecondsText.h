#pragma once
#include "corelib/KxString.h"
#include "env/InternalExport.h"

namespace Rt {

// The report's time values, "1.23 Seconds": two decimals after a point,
// whatever locale test code switched the process to.
struct RT_INTERNAL_API SecondsText {
    explicit SecondsText(double seconds);
    operator KxString() const { return text; }
    char text[48];
};

} // namespace Rt
