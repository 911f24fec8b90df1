#pragma once
#include "results/RunObserver.h"

namespace Rt {

// A piece of the run that holds an element of the report open while test
// code may run: a group, a test being created, a test running. When the run
// must be abandoned, each open frame completes its element, innermost first.
class OpenFrame {
public:
    // `reason` is set for the innermost frame only: why the run ended there.
    virtual void complete(const KxString& reason) = 0;

protected:
    ~OpenFrame() = default;
};

// Keeps a frame on the run's stack for as long as it lives.
class FrameScope {
public:
    explicit FrameScope(OpenFrame& frame);
    ~FrameScope();
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;

private:
    OpenFrame& m_frame;
};

// Where the framework tells its observers what happens. Each function is a
// no-op without observers, and none of them allocates.
namespace RunEvents {

void libraryLoaded(const KxString& file, LibraryOutcome outcome, const KxString& reason);
void scriptStarted(const KxString& script, int index);
void scriptProblem(const KxString& problem);
// While the second and later factories parse a Test object, their problems
// repeat the first one's and are not told again.
void muteScriptProblems(bool muted);
// The script being run, and the position the next Test object of it takes.
const KxString& currentScript();
int currentScriptIndex();
// A group starts; the index the groups of a driver's run take, from 0.
void groupStarted();
int currentGroupIndex();
int takePosition();

// The test a group is creating or running; null between tests.
void setCurrentTest(const TestInfo* info);
const TestInfo& currentTest();

bool selects(const TestInfo& info);
void testCreating(const TestInfo& info);
void testNotCreated(const TestInfo& info, CreationFailure failure, const KxString& reason);
void testInitializing();
void testStarted(const TestSet& test, int reportId);
void errorCounted(const KxStdError& error, ErrorCategory category);
void testTimed(double seconds);
void testEnded(const TestSet& test, bool passed);
// Within a catch block of the body's exception.
void testThrew(const TestSet& test, const char* type, const char* what);
void testDestroying(const TestInfo& info);
void testDestroyed(const TestInfo& info);
void reportNotWritten(const KxString& path, int error);

} // namespace RunEvents

// Hands what the framework holds to the kernel (the report's pending lines,
// standard output) before control passes to code outside the framework: a
// test body, a creator, initialize(), a test's destructor, a library's
// start-up code, or the code that raised an error, once its callback returns.
// A process that dies in that code then loses nothing written before.
void handOverToForeignCode();

} // namespace Rt
