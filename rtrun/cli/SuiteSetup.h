#pragma once
#include "rtrun/cli/Options.h"
#include <string>
#include <vector>

namespace rtrun {

// Where the run's suite and platform come from, before the framework starts:
// --suite, else KXRT_RELATIVE_PATH, else a working directory holding
// Config/; --platform, else KXRT_PLAT_TARG or Uname, else this system's name.
void chooseSuiteAndPlatform(const Options& options);

// The scripts as the driver reads them, relative to the configuration
// directory: a name found there is kept; else a path (absolute, or relative
// to the working directory) that exists is named from there. False, with
// the reason, for a script found nowhere.
bool resolveScripts(const std::vector<std::string>& scripts, std::vector<std::string>& resolved,
                    std::string& problem);

// Makes a suite skeleton in `dir`; false, with the reason, when it cannot.
bool initSuite(const std::string& dir, std::string& problem);

// The installed page template, style files and e-mail templates.
std::string installedScriptsDir();

} // namespace rtrun
