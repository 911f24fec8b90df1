#include "results/RunEvents.h"
#include <cstdio>

namespace Rt {

namespace {

constexpr int kMaxObservers = 8;
constexpr int kMaxFrames = 16;

struct RunState {
    RunObserver* observers[kMaxObservers] = {};
    int observerCount = 0;
    OpenFrame* frames[kMaxFrames] = {};
    int frameCount = 0;
    KxString script;
    int scriptIndex = -1;
    int groupIndex = -1;
    int nextPosition = 0;
    const TestInfo* test = nullptr;
    bool problemsMuted = false;
    TestSelection* selection = nullptr;
};

RunState& state() {
    static RunState* run = new RunState;  // never destroyed: events may come from static destructors
    return *run;
}

const TestInfo& noTest() {
    static const TestInfo* none = new TestInfo;
    return *none;
}

template <class Event>
void tell(Event event) {
    RunState& run = state();
    for (int i = 0; i < run.observerCount; ++i) event(*run.observers[i]);
}

} // namespace

RunObserver::~RunObserver() { removeRunObserver(this); }
void RunObserver::libraryLoaded(const KxString&, LibraryOutcome, const KxString&) {}
void RunObserver::scriptStarted(const KxString&) {}
void RunObserver::scriptProblem(const KxString&, const KxString&) {}
void RunObserver::testCreating(const TestInfo&) {}
void RunObserver::testNotCreated(const TestInfo&, CreationFailure, const KxString&) {}
void RunObserver::testInitializing(const TestInfo&) {}
void RunObserver::testStarted(const TestInfo&, const TestSet&, int) {}
void RunObserver::errorCounted(const KxStdError&, ErrorCategory) {}
void RunObserver::testTimed(const TestInfo&, double) {}
void RunObserver::testEnded(const TestInfo&, const TestSet&, bool) {}
void RunObserver::testDestroying(const TestInfo&) {}
void RunObserver::testThrew(const TestInfo&, const TestSet&, const KxString&, const KxString&) {}
void RunObserver::testDestroyed(const TestInfo&) {}
void RunObserver::reportNotWritten(const KxString&, int) {}
void RunObserver::runAbandoned(const KxString&) {}

TestSelection::~TestSelection() {
    if (state().selection == this) state().selection = nullptr;
}

void setTestSelection(TestSelection* selection) { state().selection = selection; }

bool addRunObserver(RunObserver* observer) {
    RunState& run = state();
    if (!observer || run.observerCount == kMaxObservers) return false;
    run.observers[run.observerCount++] = observer;
    return true;
}

void removeRunObserver(RunObserver* observer) {
    RunState& run = state();
    int kept = 0;
    for (int i = 0; i < run.observerCount; ++i)
        if (run.observers[i] != observer) run.observers[kept++] = run.observers[i];
    run.observerCount = kept;
}

FrameScope::FrameScope(OpenFrame& frame) : m_frame(frame) {
    RunState& run = state();
    // Deeper nesting than any run has is not tracked; the frame still runs.
    if (run.frameCount < kMaxFrames) run.frames[run.frameCount] = &frame;
    ++run.frameCount;
}

FrameScope::~FrameScope() {
    RunState& run = state();
    if (run.frameCount > 0) --run.frameCount;  // none left once the run was abandoned
}

bool abandonRun(const KxString& reason) {
    RunState& run = state();
    if (!gResults) return false;
    const KxString none;
    int depth = run.frameCount < kMaxFrames ? run.frameCount : kMaxFrames;
    bool innermost = true;
    while (depth-- > 0) {
        run.frameCount = depth;  // a frame completes once, even if completing it ends the process again
        run.frames[depth]->complete(innermost ? reason : none);
        innermost = false;
    }
    run.frameCount = 0;
    tell([&](RunObserver& o) { o.runAbandoned(reason); });
    gResults = nullptr;  // the last reference writes the Global record and closes the report
    return true;
}

void handOverToForeignCode() {
    if (gResults) gResults->flush();
    std::fflush(stdout);
}

namespace RunEvents {

void libraryLoaded(const KxString& file, LibraryOutcome outcome, const KxString& reason) {
    tell([&](RunObserver& o) { o.libraryLoaded(file, outcome, reason); });
}

void scriptStarted(const KxString& script, int index) {
    RunState& run = state();
    run.script = script;
    run.scriptIndex = index;
    if (index == 0) run.groupIndex = -1;
    run.nextPosition = 0;
    tell([&](RunObserver& o) { o.scriptStarted(script); });
}

void scriptProblem(const KxString& problem) {
    RunState& run = state();
    if (run.problemsMuted) return;
    tell([&](RunObserver& o) { o.scriptProblem(run.script, problem); });
}

void muteScriptProblems(bool muted) { state().problemsMuted = muted; }

const KxString& currentScript() { return state().script; }
int currentScriptIndex() { return state().scriptIndex; }
void groupStarted() { ++state().groupIndex; }
int currentGroupIndex() { return state().groupIndex; }
int takePosition() { return state().nextPosition++; }

void setCurrentTest(const TestInfo* info) { state().test = info; }
const TestInfo& currentTest() {
    const TestInfo* test = state().test;
    return test ? *test : noTest();
}

bool selects(const TestInfo& info) {
    TestSelection* selection = state().selection;
    return !selection || selection->selects(info);
}

void testCreating(const TestInfo& info) {
    tell([&](RunObserver& o) { o.testCreating(info); });
}

void testNotCreated(const TestInfo& info, CreationFailure failure, const KxString& reason) {
    tell([&](RunObserver& o) { o.testNotCreated(info, failure, reason); });
}

void testInitializing() {
    tell([&](RunObserver& o) { o.testInitializing(currentTest()); });
}

void testStarted(const TestSet& test, int reportId) {
    tell([&](RunObserver& o) { o.testStarted(currentTest(), test, reportId); });
}

void errorCounted(const KxStdError& error, ErrorCategory category) {
    tell([&](RunObserver& o) { o.errorCounted(error, category); });
}

void testTimed(double seconds) {
    tell([&](RunObserver& o) { o.testTimed(currentTest(), seconds); });
}

void testEnded(const TestSet& test, bool passed) {
    tell([&](RunObserver& o) { o.testEnded(currentTest(), test, passed); });
}

void testThrew(const TestSet& test, const char* type, const char* what) {
    const KxString typeText(type ? type : "");
    const KxString whatText(what ? what : "");
    tell([&](RunObserver& o) { o.testThrew(currentTest(), test, typeText, whatText); });
}

void testDestroying(const TestInfo& info) {
    tell([&](RunObserver& o) { o.testDestroying(info); });
}

void testDestroyed(const TestInfo& info) {
    tell([&](RunObserver& o) { o.testDestroyed(info); });
}

void reportNotWritten(const KxString& path, int error) {
    tell([&](RunObserver& o) { o.reportNotWritten(path, error); });
}

} // namespace RunEvents

} // namespace Rt
