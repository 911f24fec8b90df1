// Sorting of raised errors and report commands into counts and records.
#include "ResultsFixture.h"
#include "corelib/KxPlatform.h"
#include "results/RunObserver.h"

namespace {

using namespace resultstest;

class ResultsRouting : public ResultsFixture {};

TEST_F(ResultsRouting, TestErrorInsideAnObjectReachesTheRunLevel) {
    EXPECT_EQ(KxErrorState::getErrorCallback(), &Rt::GlobalResults::callback);
    send("openObj", {"Test"});
    EXPECT_EQ(results().level(), 1);
    EXPECT_EQ(results().numSummaries(), 2u);
    EXPECT_EQ(body(), "  <Test id=\"0000000000\">\r\n");  // flushed before control went back
    raise(Rt::eTestError);
    EXPECT_EQ(openCounts(), V({0, 1, 0, 0, 0}));
    EXPECT_EQ(runCounts(), V({0, 0, 0, 0, 0}));
    send("closeObj", {"Test"});
    EXPECT_EQ(runCounts(), V({0, 1, 0, 0, 0}));
    EXPECT_EQ(results().level(), 0);
    EXPECT_EQ(results().numSummaries(), 1u);
    EXPECT_EQ(body(), ExpectedReport().openTest(0).record("Error", "Cls::meth", "bad").close("Test").body());
}

TEST_F(ResultsRouting, NestedLevelsFoldIntoEachOtherAndWarningsAreNoErrors) {
    send("openObj", {"Group"});
    raise(Rt::eExternalError);
    send("openObj", {"Test"});
    raise(Rt::eTestWarning);
    raise(Rt::eExternalWarning);
    send("closeObj", {"Test"});
    EXPECT_EQ(openCounts(), V({0, 0, 1, 1, 1}));
    send("closeObj", {"Group"});
    EXPECT_EQ(runCounts(), V({0, 0, 1, 1, 1}));
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(body(), ExpectedReport()
                          .openGroup(0)
                          .record("ExtError", "Cls::meth", "bad")
                          .openTest(1)
                          .record("Warning", "Cls::meth", "bad")
                          .record("ExtWarning", "Cls::meth", "bad")
                          .close("Test")
                          .close("Group")
                          .body());
}

// A message class of code outside the framework library, as a test library's
// would be: the library still knows it as a Msg (its type crosses the
// library boundary), so its lines reach the record.
class OwnMessage : public Rt::Msg {
public:
    OwnMessage() : Rt::Msg("Own", "check", "", "own", Rt::eTestError) { textList.append("line"); }
};

TEST_F(ResultsRouting, MessageOfAClassDefinedOutsideTheLibraryKeepsItsLines) {
    send("openObj", {"Test"});
    Kx::SharedPtr<Rt::Msg> own(new OwnMessage);
    KxErrorState::setError(own.get());
    send("closeObj", {"Test"});
    EXPECT_EQ(runCounts(), V({0, 1, 0, 0, 0}));
    EXPECT_EQ(body(), ExpectedReport().openTest(0).record("Error", "Own::check", "own", {"line"}).close("Test").body());
}

TEST_F(ResultsRouting, CoreErrorsAndWarningsAreNeitherCountedNorWritten) {
    raise(Rt::eCoreError);
    raise(Rt::eCoreWarning);
    raiseCoreLibraryError(Rt::eCoreError);
    results()._handleError(message({}, {}, "w", Rt::eCoreWarning).get());
    EXPECT_EQ(runCounts(), V({0, 0, 0, 0, 0}));
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(body(), "");
}

TEST_F(ResultsRouting, CoreLibraryErrorIsCountedAndWrittenAsKxError) {
    send("openObj", {"Test"});
    raiseCoreLibraryError(7, "pNew<Vec>");
    EXPECT_EQ(results().getTestErrors(), 1);
    EXPECT_EQ(openCounts(), V({1, 0, 0, 0, 0}));
    // Codes just outside the framework's range are the core library's own.
    for (KxErrorCode code : {-19, -10, 0}) raiseCoreLibraryError(code);
    EXPECT_EQ(results().getTestErrors(), 4);
    send("closeObj", {"Test"});
    EXPECT_EQ(runCounts(), V({4, 0, 0, 0, 0}));
    ExpectedReport expected;
    expected.openTest(0).kxError("KxVecBase::reallocMem", "pNew&lt;Vec&gt;");
    for (int i = 0; i < 3; ++i) expected.kxError("KxVecBase::reallocMem", "pNewVec");
    EXPECT_EQ(body(), expected.close("Test").body());
}

TEST_F(ResultsRouting, UnknownWordsAreCoreLibraryErrorsWhichDisableSilencesAndStrayClosesChangeNothing) {
    send("closeObj", {"Stray"});
    EXPECT_EQ(results().level(), 0);
    EXPECT_EQ(results().numSummaries(), 1u);
    send("disable");
    EXPECT_FALSE(results().isEnabled());
    raiseCoreLibraryError();
    send("VerifyA");
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(body(), "");
    raise(Rt::eTestError);
    EXPECT_EQ(runCounts(), V({0, 1, 0, 0, 0}));
    send("enable");
    EXPECT_TRUE(results().isEnabled());
    raiseCoreLibraryError();
    for (const char* word : {"VerifyA", "openobj", "CloseObj", "", "verifyA "}) send(word, {"Test"});
    EXPECT_EQ(results().getTestErrors(), 6);
    EXPECT_EQ(runCounts(), V({6, 1, 0, 0, 0}));
    EXPECT_EQ(results().level(), 0);
    const std::string first = ExpectedReport()
                                  .record("Error", "Cls::meth", "bad")
                                  .kxError("KxVecBase::reallocMem", "pNewVec")
                                  .kxError("Cls::meth", "VerifyA")
                                  .body();
    EXPECT_EQ(body().substr(0, first.size()), first);
}

TEST_F(ResultsRouting, LockMakesTheCallbackIgnoreEverything) {
    results().lock();
    raise(Rt::eTestError);
    raiseCoreLibraryError();
    raise(Rt::eSummaryRequest);
    EXPECT_TRUE(results().isLocked());
    EXPECT_EQ(runCounts(), V({0, 0, 0, 0, 0}));
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(body(), "");
    // Direct routing does not look at the lock.
    results()._handleError(message({}, {}, "direct", Rt::eTestWarning).get());
    EXPECT_EQ(runCounts(), V({0, 0, 1, 0, 0}));
    results().unLock();
    raise(Rt::eTestError);
    EXPECT_EQ(runCounts(), V({0, 1, 1, 0, 0}));
}

TEST_F(ResultsRouting, CallbackIgnoresClearedErrorsAndMissingResults) {
    raise(Rt::eTestError);
    KxErrorState::clearError();
    Rt::GlobalResults::callback(true);  // no current error: nothing to route
    EXPECT_EQ(runCounts(), V({0, 1, 0, 0, 0}));
    const std::string before = body();
    Kx::SharedPtr<Rt::GlobalResults> kept = Rt::gResults;
    Rt::gResults = nullptr;
    raise(Rt::eTestError);
    raiseCoreLibraryError();
    EXPECT_EQ(counts(kept->errorSummary(0)), V({0, 1, 0, 0, 0}));
    EXPECT_EQ(kept->getTestErrors(), 0);
    Rt::gResults = kept;
    EXPECT_EQ(body(), before);
}

// A handler that raises while an error is dispatched (an observer here)
// makes the new error the current one; the error being dispatched, whose
// only holder was the error state, must live on until its record is written.
TEST_F(ResultsRouting, AnErrorRaisedWhileOneIsDispatchedLeavesThatOneWhole) {
    struct RaisingObserver : Rt::RunObserver {
        void errorCounted(const KxStdError&, Rt::ErrorCategory) override {
            KxErrorState::setError(new Rt::Msg("Inner", "meth", "", "inner", Rt::eTestWarning));
        }
    } observer;
    send("openObj", {"Test"});
    Rt::addRunObserver(&observer);
    KxErrorState::setError(new Rt::Msg("Outer", "meth", "", "outer", Rt::eTestError));
    Rt::removeRunObserver(&observer);
    send("closeObj", {"Test"});
    // The inner error came while the results were locked: it is not counted.
    EXPECT_EQ(runCounts(), V({0, 1, 0, 0, 0}));
    EXPECT_EQ(body(), ExpectedReport().openTest(0).record("Error", "Outer::meth", "outer").close("Test").body());
}

// The one exception a handler can really meet is the text storage's
// std::bad_alloc when no memory is left; the text allocator's failure hook
// produces it for a record whose method text needs a new block.
TEST_F(ResultsRouting, RefusedAllocationsInsideTheCallbackAreSurvivedAndTheLockReleased) {
    send("openObj", {"Test"});
    Kx::SharedPtr<Rt::Msg> huge(
        new Rt::Msg(KxString(std::string(1000, 'C').c_str()), "meth", "", "huge", Rt::eTestError));
    KxPlatform::instance().failTextAllocationsAfter(0);
    KxErrorState::setError(huge.get());
    KxPlatform::instance().failTextAllocationsAfter(-1);
    // The count was raised before the record failed; the record is left out whole.
    EXPECT_EQ(openCounts(), V({0, 1, 0, 0, 0}));
    EXPECT_FALSE(results().isLocked());
    // A plain core error carrying a framework code needs a message made for it;
    // when the allocator refuses, the error is still counted and no command runs.
    KxPlatform::instance().failAllocationsAfter(0);
    KxErrorState::throwStdError("Plain", "raise", "plain test error", Rt::eTestError);
    KxErrorState::throwStdError("Plain", "raise", "openObj", Rt::eCommand);
    KxErrorState::throwStdError("Plain", "raise", "verifyA", Rt::eCommand);
    KxPlatform::instance().failAllocationsAfter(-1);
    EXPECT_EQ(openCounts(), V({0, 2, 0, 0, 0}));
    EXPECT_FALSE(results().isLocked());
    raise(Rt::eTestError);
    send("closeObj", {"Test"});
    EXPECT_EQ(runCounts(), V({0, 3, 0, 0, 0}));
    EXPECT_EQ(body(), ExpectedReport().openTest(0).record("Error", "Cls::meth", "bad").close("Test").body());
}

} // namespace

namespace {

// A level whose counters find no room: the run goes on (they are kept on a
// spare set, lost at its close) instead of asking for room for ever.
TEST_F(ResultsRouting, ALevelWithoutRoomForItsCountersDoesNotStopTheRun) {
    Kx::SharedPtr<Rt::Msg> open = message({"Test"}, {}, "openObj");
    Kx::SharedPtr<Rt::Msg> close = message({"Test"}, {}, "closeObj");
    Kx::SharedPtr<Rt::Msg> error = message({}, {}, "bad", Rt::eTestError);
    send("openObj", {"Group"});
    ASSERT_EQ(results().numSummaries(), 2u);  // full: the next level must grow the list
    KxPlatform::instance().failAllocationsAfter(0);
    results()._handleError(open.get());
    results()._handleError(error.get());
    KxPlatform::instance().failAllocationsAfter(-1);
    EXPECT_EQ(results().level(), 2);
    results()._handleError(close.get());
    send("closeObj", {"Group"});
    EXPECT_EQ(results().level(), 0);
    EXPECT_EQ(results().numSummaries(), 1u);
}

} // namespace

namespace {

// Ending a run builds texts (the run time, the Global record); with no memory
// left for them the report still closes, well-formed, instead of the
// destructor throwing.
TEST_F(ResultsRouting, EndingTheRunWithoutMemoryForTextsStillClosesTheReport) {
    send("openObj", {"Group"});
    KxPlatform::instance().failTextAllocationsAfter(0);
    Rt::gResults = nullptr;
    KxPlatform::instance().failTextAllocationsAfter(-1);
    EXPECT_EQ(testsupport::xmlProblems(session.path()), "");
}

} // namespace
