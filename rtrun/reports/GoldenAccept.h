#pragma once
#include "rtrun/reports/TestSelector.h"
#include <ostream>
#include <string>

namespace rtrun {

// Takes the outputs of a run's failed golden checks as their new references:
// reads the report at `reportPath`, finds in its failed tests the Error
// records of golden checks (Desc beginning with "RT_CHECK_GOLDEN", second Msg
// line "reference: <path>", third "output: <path>") and copies each output
// over the reference that was compared (the platform's when that one was,
// else the general one, which a missing reference also names). With a
// selector, only the tests it selects, by group title and case name (from
// the index beside the report, else the test's title): a run's TestFilter
// passes `[&](auto& group, auto& name) { return filter.selects(group, name); }`.
// Prints each reference replaced
// on `out`, one path a line, and nothing else; with `dryRun` prints the same
// lines and copies nothing. Problems go to `err`.
// Returns 0 when every listed reference was replaced (or none was to be), 1
// when an output could not be copied, 2 when the report cannot be read.

int acceptGoldens(const std::string& reportPath, const TestSelector& selects, bool dryRun, std::ostream& out,
                  std::ostream& err);

} // namespace rtrun
