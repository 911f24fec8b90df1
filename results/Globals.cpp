// The two process-wide objects live in one translation unit so that their
// order of destruction at unload is fixed: the results object is released
// first (its last record reads the machine and platform), the storage after it.
#include "env/GlobalStorage.h"
#include "results/GlobalResults.h"

namespace Rt {
Kx::SharedPtr<GlobalStorage> gStor;
Kx::SharedPtr<GlobalResults> gResults;
} // namespace Rt
