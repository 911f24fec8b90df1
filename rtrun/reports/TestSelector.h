#pragma once
#include <functional>
#include <string>

namespace rtrun {

// Which tests a report tool looks at, by group title and case name; an
// empty selector takes every test.
using TestSelector = std::function<bool(const std::string& group, const std::string& caseName)>;

} // namespace rtrun
