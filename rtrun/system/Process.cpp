// The process services that are the same on every platform.
#include "rtrun/system/Process.h"
#include <cstdio>

namespace rtrun {
namespace Process {

void exitedText(int status, char (&text)[48]) {
    if (status >= 0) std::snprintf(text, sizeof(text), "exited: status %d", status);
    else std::snprintf(text, sizeof(text), "exited");
}

} // namespace Process
} // namespace rtrun
