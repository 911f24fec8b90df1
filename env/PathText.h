#pragma once
#include "corelib/KxString.h"

namespace Rt {

// Where the last path separator of a text stands; either "/" or "\\"
// separates. -1 when there is none.
inline int lastPathSeparator(const KxString& path) {
    const int slash = path.findLast("/");
    const int backslash = path.findLast("\\");
    return slash > backslash ? slash : backslash;
}

} // namespace Rt
