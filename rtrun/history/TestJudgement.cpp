#include "rtrun/history/TestJudgement.h"
#include <algorithm>

namespace rtrun {

namespace {

const char* const kVerdictNames[] = {"passed", "failed", "crashed", "timed out", "exited", "interrupted", "not run"};

} // namespace

const char* verdictName(Verdict verdict) { return kVerdictNames[static_cast<int>(verdict)]; }

Verdict verdictNamed(const std::string& name) {
    for (int i = 0; i <= static_cast<int>(Verdict::eNotRun); ++i)
        if (name == kVerdictNames[i]) return static_cast<Verdict>(i);
    return Verdict::eNotRun;
}

bool isFailing(Verdict verdict) {
    return verdict == Verdict::eFailed || verdict == Verdict::eCrashed || verdict == Verdict::eTimedOut ||
           verdict == Verdict::eExited;
}

std::string FailureState::note() const {
    switch (kind) {
    case Kind::eFlaky: return "(flaky: failed " + std::to_string(failed) + " of the last " + std::to_string(of) + ")";
    case Kind::eFailingSince: return "(failing since " + since + ", " + std::to_string(runs) + " runs)";
    case Kind::eNew: break;
    }
    return "(new)";
}

FailureState judgeFailure(const std::vector<PastResult>& earlier, const std::string& thisRun) {
    FailureState state;
    // The window's results that passed or failed, newest first, this one leading.
    std::vector<bool> failing{true};
    const PastResult* last = nullptr;  // the latest earlier result that passed or failed
    for (std::size_t i = 0; i < earlier.size() && i + 1 < static_cast<std::size_t>(kFlakyWindow); ++i) {
        const Verdict verdict = earlier[i].verdict;
        if (verdict != Verdict::ePassed && !isFailing(verdict)) continue;
        if (!last) last = &earlier[i];
        failing.push_back(isFailing(verdict));
    }
    int changes = 0;
    for (std::size_t i = 1; i < failing.size(); ++i) changes += failing[i] != failing[i - 1];
    if (!last || last->verdict == Verdict::ePassed) {
        state.since = thisRun;
    } else {
        state.since = last->failingSince.empty() ? last->run : last->failingSince;
        state.runs = std::max(last->failingRuns, 1) + 1;
        state.kind = FailureState::Kind::eFailingSince;
    }
    if (changes >= 2) {
        state.kind = FailureState::Kind::eFlaky;
        state.failed = static_cast<int>(std::count(failing.begin(), failing.end(), true));
        state.of = static_cast<int>(failing.size());
    }
    return state;
}

bool isSlower(double seconds, std::vector<double> passingTimes, double& median) {
    if (seconds < 1.0 || passingTimes.empty()) return false;
    const std::size_t n = passingTimes.size();
    std::sort(passingTimes.begin(), passingTimes.end());
    median = n % 2 ? passingTimes[n / 2] : (passingTimes[n / 2 - 1] + passingTimes[n / 2]) / 2;
    return seconds >= 2 * median;
}

} // namespace rtrun
