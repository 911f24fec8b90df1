#pragma once
// Where a run's report and the files beside it are.
#include <functional>
#include <string>

namespace rtrun {

// The file beside a report with the report's name and another extension
// (".index", ".rerun.rt").
std::string besideReport(const std::string& reportPath, const char* extension);

// The newest regular file in `dir` whose name is `chosen`; empty when none is.
std::string newestFileIn(const std::string& dir, const std::function<bool(const std::string&)>& chosen);

// The newest report in `dir` by modification time, runs moved aside
// ("<run>-earlierN.xml") left out; empty when the directory holds none.
std::string latestReportIn(const std::string& dir);

} // namespace rtrun
