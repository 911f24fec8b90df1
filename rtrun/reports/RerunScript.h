#pragma once
#include <ostream>
#include <string>

namespace rtrun {

// Writes a test script, in the script format, holding exactly the failed and
// interrupted tests of a report, with their arguments and extension text,
// grouped as in the report. Each test is asked for by its case name from the
// index beside the report; without an index, by its title (and `note` says
// so). Returns how many tests it holds; -1 when the report cannot be read,
// with the reason in `problem`.
int writeRerunScript(const std::string& reportPath, std::ostream& script, std::string& note, std::string& problem);

} // namespace rtrun
