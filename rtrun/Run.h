#pragma once
#include "rtrun/Options.h"

namespace rtrun {

// Carries out what the options ask for; returns the exit status.
int run(const Options& options);

} // namespace rtrun
