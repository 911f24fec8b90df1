#pragma once
#include <set>
#include <string>

namespace rtrun {

// Shows on standard error every problem met while the scripts are read and
// scanned: the core errors that the driver, the groups and the factories
// raise, which the report leaves out. Each error still reaches the callback
// that was installed before (the framework's), unchanged.
class ScriptProblems {
public:
    // `knownTests` are the names some factory registers: a factory's "not
    // defined" for a test that another factory creates is no problem.
    static void watch(std::set<std::string> knownTests);
    // Puts the callback found by watch() back.
    static void stop();
    static int count();
};

} // namespace rtrun
