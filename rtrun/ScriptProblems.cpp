#include "rtrun/ScriptProblems.h"
#include <Rt/Rt.h>
#include <cstdio>

namespace rtrun {

namespace {

KxErrorState::Callback g_framework = nullptr;
std::set<std::string> g_knownTests;
int g_count = 0;
std::string g_lastNotDefined;

// Every factory asked raises its own "not defined" for a test none of them
// knows; the run shows the problem once.
bool isScriptProblem(const KxStdError& error, const std::string& line) {
    if (error.getCode() != Rt::eCoreError) return false;
    const std::string source = error.getClassName().toStdString();
    if (source != "TestDriver" && source != "TestGroup" && source != "TestSetFactory") return false;
    static const std::string prefix = "Test: ", suffix = " - Is Not Defined";
    const bool notDefined = line.size() >= prefix.size() + suffix.size() && line.compare(0, prefix.size(), prefix) == 0 &&
                            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0;
    if (notDefined) {
        const std::string title = line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
        const bool repeated = line == g_lastNotDefined;
        g_lastNotDefined = line;
        return g_knownTests.count(title) == 0 && !repeated;
    }
    g_lastNotDefined.clear();
    return true;
}

void watchingCallback(bool raised) {
    const KxStdError* error = KxErrorState::s_pError;
    const auto* message = dynamic_cast<const Rt::Msg*>(error);
    if (raised && message) {
        const std::string line = message->textList.isEmpty() ? std::string() : message->textList[0].toStdString();
        if (isScriptProblem(*message, line)) {
            ++g_count;
            std::fflush(stdout);
            std::fprintf(stderr, "rtrun: script problem: %s\n", line.c_str());
        }
    }
    if (g_framework) g_framework(raised);
}

} // namespace

void ScriptProblems::watch(std::set<std::string> knownTests) {
    g_knownTests = std::move(knownTests);
    g_count = 0;
    g_lastNotDefined.clear();
    g_framework = KxErrorState::getErrorCallback();
    KxErrorState::setErrorCallback(&watchingCallback);
}

void ScriptProblems::stop() {
    if (KxErrorState::getErrorCallback() == &watchingCallback) KxErrorState::setErrorCallback(g_framework);
}

int ScriptProblems::count() { return g_count; }

} // namespace rtrun
