#pragma once
#include "rtrun/cli/Options.h"
#include "rtrun/reports/TestIndex.h"
#include <string>
#include <vector>

namespace rtrun {

// Where the run's suite and platform come from, before the framework starts:
// --suite, else KXRT_RELATIVE_PATH (given a trailing '/' when it has none),
// else a working directory holding Config/, else the framework's own
// choice, the parent of rtrun's directory (named on standard error);
// --platform, else KXRT_PLAT_TARG or Uname, else this system's name.
void chooseSuiteAndPlatform(const Options& options);

// A suite without a page template of its own (no Scripts/, as a hand-made
// suite) takes the installed templates; called once the framework started.
void useInstalledTemplates();

// The scripts as the driver reads them, relative to the configuration
// directory: a name found there is kept; else a path (absolute, or relative
// to the working directory) that exists is named from there. A script found
// nowhere goes into `missing`, with one line on standard error saying where
// it was looked for (without `missing`, it is kept for the driver to report).
// False, with the reason, for a path that is not a file.
bool resolveScripts(const std::vector<std::string>& scripts, std::vector<std::string>& resolved,
                    std::vector<TestIndex::Problem>* missing, std::string& problem);

// Makes a suite skeleton in `dir`; false, with the reason, when it cannot.
bool initSuite(const std::string& dir, std::string& problem);

// The installed page template, style files and e-mail templates.
std::string installedScriptsDir();

} // namespace rtrun
