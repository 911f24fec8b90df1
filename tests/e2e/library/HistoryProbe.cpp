// A test library whose tests pass or fail as the environment says, for runs
// night after night: test "Probe" with argument NAME fails when NAME is a
// word of PROBE_FAIL, crashes when it is one of PROBE_CRASH and takes over
// a second when it is one of PROBE_SLOW.
//
// Test "Fact" does what its arguments say, for what the history records of
// a test: "madefail" raises an error while it is made; in its body
// "retitle", "untitle" and "addarg" change its title and arguments, "fail"
// raises an error of two lines, "labelled" one whose message line is empty,
// then "throw" throws, "crash" dies of SIGSEGV, "exit" calls exit(3) and
// "false" returns false. "FactMadeExit" calls exit(3) while it is made.
#include "ProbeKit.h"
#include <Rt/Rt.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
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
        if (named("PROBE_CRASH", name)) probekit::segfault();
        if (named("PROBE_FAIL", name)) reportStateE(("probe " + name + " fails tonight").c_str(), "probe", "executeW", "");
        return true;
    }
};

class Fact : public Rt::TestSet {
public:
    void initialize() override {
        if (asked("madefail")) reportStateE("fact fails while made", "made", "initialize", "");
    }
    bool executeW() override {
        if (asked("retitle")) setTitle("Fact r\xe9titled <&>");
        if (asked("untitle")) setTitle("");
        if (asked("addarg")) addArg("added");
        if (asked("fail")) reportStateE("fact fails\r\nits second line \xe9", "fact", "executeW", "");
        if (asked("labelled")) reportStateE("", "a label only", "executeW", "");
        if (asked("throw")) throw std::runtime_error("fact thrown");
        if (asked("crash")) probekit::segfault();
        if (asked("exit")) std::exit(3);
        return !asked("false");
    }

private:
    bool asked(const char* word) const {
        for (const KxString& arg : getArg())
            if (arg.toStdString() == word) return true;
        return false;
    }
};

Rt::TestSet* makeProbe() { return new Probe; }
Rt::TestSet* makeFact() { return new Fact; }
Rt::TestSet* makeFactMadeExit() { std::exit(3); }

class ProbeFactory : public Rt::TestSetFactory {
public:
    ProbeFactory() {
        _registerTestCase("Probe", &makeProbe);
        _registerTestCase("Fact", &makeFact);
        _registerTestCase("FactMadeExit", &makeFactMadeExit);
    }
    const char* name() const override { return "HistoryProbe"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new ProbeFactory; }
