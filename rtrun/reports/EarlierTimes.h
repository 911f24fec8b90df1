#pragma once
#include <map>
#include <string>
#include <tuple>

namespace rtrun {

// Where a test stands in the scripts: script, position, case name.
using ScriptPlace = std::tuple<std::string, int, std::string>;

// How long each test took in the latest earlier run of `platform` whose
// report and test index lie in `resultDir`. Empty when there is none, or
// when either cannot be read.
std::map<ScriptPlace, double> earlierTimes(const std::string& resultDir, const std::string& platform);

} // namespace rtrun
