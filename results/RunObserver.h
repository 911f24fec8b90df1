#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxVec.h>
#include <Rt/results/GlobalResults.h>

namespace Rt {

class TestSet;

// One Test object of a script, as the run reached it.
struct TestInfo {
    KxString script;     // as named on the command line; empty outside a driver
    int scriptIndex = 0; // which of the driver's scripts, from 0
    int position = 0;    // index among the Test objects of its script, from 0
    int groupIndex = 0;  // which of the groups the driver has run, from 0, over all its scripts
    KxString group;      // title of the group when the test was reached
    KxString caseName;   // the name the script asks the factories for
    KxVec<KxString> args;
    KxString ext;
};

// Why a Test object of a script yielded no test.
enum class CreationFailure {
    eUnknownName,      // no factory registers the name
    eNoTest,           // a factory registers it, but its creator returned null
    eCreatorThrew,     // the creator or the test's constructor threw
    eInitializeThrew,  // the test's initialize() threw
};

// What loading one matching library file came to.
enum class LibraryOutcome {
    eFactory,      // loaded, and its factory is in use
    eNotLoadable,  // the system refused to load it
    eNoEntry,      // it exports no "acquireFactory"
    eNoFactory,    // its "acquireFactory" returned null
    eEntryThrew,   // its "acquireFactory" (or the factory's constructor) threw
};

// Told what a run does, as it does it. Observers are framework code: they
// run while test code is not, must not throw, and never change a byte of the
// report or of standard output. Every event has an empty default.
class RT_API RunObserver {
public:
    virtual ~RunObserver();

    virtual void libraryLoaded(const KxString& file, LibraryOutcome outcome, const KxString& reason);
    virtual void scriptStarted(const KxString& script);
    // A script that could not be read or scanned as written.
    virtual void scriptProblem(const KxString& script, const KxString& problem);
    virtual void testCreating(const TestInfo& info);
    virtual void testNotCreated(const TestInfo& info, CreationFailure failure, const KxString& reason);
    // The test's creator returned it; its initialize() runs next.
    virtual void testInitializing(const TestInfo& info);
    // `reportId` is the id of the test's element in the report.
    virtual void testStarted(const TestInfo& info, const TestSet& test, int reportId);
    // Every test error, test warning, external error and external warning
    // the results count, leak records included.
    virtual void errorCounted(const KxStdError& error, ErrorCategory category);
    // The time its element gives the test's body, told just before testEnded.
    virtual void testTimed(const TestInfo& info, double seconds);
    // `passed` is the verdict execute() returns.
    virtual void testEnded(const TestInfo& info, const TestSet& test, bool passed);
    // A test's destructor runs between these two. A group destroys the test
    // it ran once the next test of the group has been made (or could not
    // be), and the last one when the group's text ends.
    virtual void testDestroying(const TestInfo& info);
    virtual void testDestroyed(const TestInfo& info);
    // The first line of the report that could not be handed to its file
    // (`error` is the system's error number); later lines may be missing too.
    virtual void reportNotWritten(const KxString& path, int error);
    // The run was cut short (`reason`, as its report records it); what was
    // open has been completed in the report.
    virtual void runAbandoned(const KxString& reason);
    // The test's body threw: `type` is the exception's type as the compiler
    // names it (demangled where it can be), `what` its what() for a
    // std::exception, else empty. Comes after the error recorded for it.
    virtual void testThrew(const TestInfo& info, const TestSet& test, const KxString& type, const KxString& what);
};

// Chooses which Test objects of the scripts a run creates and runs. A test
// not selected is not created and leaves nothing in the report; its group
// still runs. Asked once per Test object, in script order.
class RT_API TestSelection {
public:
    virtual ~TestSelection();
    virtual bool selects(const TestInfo& test) = 0;
};

// Null selects every test. The selection must outlive the run.
RT_API void setTestSelection(TestSelection* selection);

// At most a handful of observers at a time; an observer added twice is told twice.
RT_API bool addRunObserver(RunObserver* observer);
RT_API void removeRunObserver(RunObserver* observer);

// For code that must end the process while a run is open (test code called
// exit(), say): completes every element the run holds open, the innermost
// test's with an Error record whose Desc is `reason`, then closes the report
// as the end of a run does (Global record, e-mail summary). False when no
// run was open.
RT_API bool abandonRun(const KxString& reason);

} // namespace Rt
