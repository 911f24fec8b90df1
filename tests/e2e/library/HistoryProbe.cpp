// A test library whose tests pass or fail as the environment says, for runs
// night after night: test "Probe" with argument NAME fails when NAME is a
// word of PROBE_FAIL, crashes when it is one of PROBE_CRASH and takes over
// a second when it is one of PROBE_SLOW.
#include <Rt/Rt.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

namespace {

bool named(const char* variable, const std::string& name) {
    const char* words = std::getenv(variable);
    std::istringstream list(words ? words : "");
    for (std::string word; list >> word;)
        if (word == name) return true;
    return false;
}

class Probe : public Rt::TestSet {
public:
    void initialize() override {}
    bool executeW() override {
        const std::string name = getArg().size() > 0 ? getArg()[0].toStdString() : "";
        if (named("PROBE_SLOW", name)) std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        if (named("PROBE_CRASH", name)) std::raise(SIGSEGV);
        if (named("PROBE_FAIL", name)) reportStateE(("probe " + name + " fails tonight").c_str(), "probe", "executeW", "");
        return true;
    }
};

Rt::TestSet* makeProbe() { return new Probe; }

class ProbeFactory : public Rt::TestSetFactory {
public:
    ProbeFactory() { _registerTestCase("Probe", &makeProbe); }
    const char* name() const override { return "HistoryProbe"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new ProbeFactory; }
