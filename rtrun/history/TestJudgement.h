#pragma once
#include <string>
#include <vector>

namespace rtrun {

// How a test ended, as the history records it (by name).
enum class Verdict { ePassed, eFailed, eCrashed, eTimedOut, eExited, eInterrupted, eNotRun };

const char* verdictName(Verdict verdict);
// The verdict a recorded name stands for; eNotRun for an unknown one.
Verdict verdictNamed(const std::string& name);
// Failed, crashed, timed out or exited: the test itself went wrong. An
// interrupted or unrun test says nothing either way.
bool isFailing(Verdict verdict);

// One earlier result of a test on the same suite and platform.
struct PastResult {
    Verdict verdict = Verdict::ePassed;
    double seconds = 0;
    std::string run;           // the run's name
    std::string failingSince;  // a failing result: the run its run of failures began in
    int failingRuns = 0;       // a failing result: how many runs it has failed in a row, this one included
};

// What a failing test's history says about it.
struct FailureState {
    enum class Kind { eNew, eFailingSince, eFlaky };
    Kind kind = Kind::eNew;
    int failed = 0, of = 0;    // eFlaky: failed `failed` of the last `of` results
    std::string since;         // the run this run of failures began in (this run when new)
    int runs = 1;              // how many runs in a row it has failed, this one included

    // "(new)", "(failing since <run>, N runs)" or "(flaky: failed k of the last n)".
    std::string note() const;
};

// The results a failure is judged on: this one and the 19 before it.
constexpr int kFlakyWindow = 20;
// A test's time is compared with its median over this many passing runs.
constexpr int kSlowerWindow = 10;

// Judges a failure in run `thisRun` on its earlier results, newest first:
// flaky when its results changed between passing and failing at least twice
// in the window (this one included); else new when its last result that
// passed or failed was a pass, or there is none; else failing since the run
// its failures began in.
FailureState judgeFailure(const std::vector<PastResult>& earlier, const std::string& thisRun);

// True when a test that took `seconds` is slower than usual: at least a
// second, and at least twice the median of its earlier passing times.
bool isSlower(double seconds, std::vector<double> passingTimes, double& median);

} // namespace rtrun
