#pragma once
// RT_INTERNAL_API marks what the framework library exports for its own driver
// program and tests only: internal services they share with the library, so
// that there is one copy of the library and of its process-wide objects. The
// headers using it are not installed; a test library never sees them.
#include <Rt/RtExport.h>

#define RT_INTERNAL_API RT_API
