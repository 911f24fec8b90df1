// Sorting of raised errors and report commands into counts and records.
#include "ResultsFixture.h"
#include "corelib/KxPlatform.h"
#include <cstdio>
#include <unistd.h>

namespace {

using resultstest::counts;
using V = std::vector<int>;

class ResultsRouting : public resultstest::ResultsFixture {};

const char* const kTestError =
    "<Error>\r\n"
    "      <Method>Cls::meth</Method>\r\n"
    "      <Desc>bad</Desc>\r\n"
    "    </Error>\r\n";

TEST_F(ResultsRouting, FreshObject) {
    EXPECT_EQ(&results().errorSummary(0), &results().errorSummary(-1));
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 0, 0, 0, 0}));
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(results().level(), 0);
    EXPECT_EQ(results().numSummaries(), 1u);
    EXPECT_TRUE(results().isTest());
    EXPECT_FALSE(results().isCore());
    EXPECT_FALSE(results().isLocked());
    EXPECT_TRUE(results().isEnabled());
    EXPECT_EQ(results().getCallback(), &Rt::GlobalResults::callback);
    EXPECT_EQ(KxErrorState::getErrorCallback(), &Rt::GlobalResults::callback);
    EXPECT_EQ(body(), "");
}

TEST_F(ResultsRouting, TestErrorInsideAnObjectReachesTheRunLevel) {
    send("openObj", {"Test"});
    EXPECT_EQ(results().level(), 1);
    EXPECT_EQ(results().numSummaries(), 2u);
    raise(Rt::eTestError);
    EXPECT_EQ(counts(results().errorSummary(-1)), V({1, 0, 0, 0, 0}));
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 0, 0, 0, 0}));
    send("closeObj", {"Test"});
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 0}));
    EXPECT_EQ(results().level(), 0);
    EXPECT_EQ(results().numSummaries(), 1u);
    EXPECT_EQ(body(), std::string("  <Test id=\"0000000000\">\r\n    ") + kTestError + "  </Test>\r\n");
}

TEST_F(ResultsRouting, NestedLevelsFoldIntoEachOther) {
    send("openObj", {"Group"});
    raise(Rt::eExternalError);
    send("openObj", {"Test"});
    raise(Rt::eTestWarning);
    raise(Rt::eExternalWarning);
    EXPECT_EQ(results().level(), 2);
    send("closeObj", {"Test"});
    EXPECT_EQ(counts(results().errorSummary(-1)), V({0, 1, 1, 1, 0}));
    send("closeObj", {"Group"});
    // Warnings are counted but are no errors.
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 1, 1, 1, 0}));
    EXPECT_EQ(results().numSummaries(), 1u);
    EXPECT_EQ(body(),
              "  <Group id=\"0000000000\">\r\n"
              "    <ExtError>\r\n"
              "      <Method>Cls::meth</Method>\r\n"
              "      <Desc>bad</Desc>\r\n"
              "    </ExtError>\r\n"
              "    <Test id=\"0000000001\">\r\n"
              "      <Warning>\r\n"
              "        <Method>Cls::meth</Method>\r\n"
              "        <Desc>bad</Desc>\r\n"
              "      </Warning>\r\n"
              "      <ExtWarning>\r\n"
              "        <Method>Cls::meth</Method>\r\n"
              "        <Desc>bad</Desc>\r\n"
              "      </ExtWarning>\r\n"
              "    </Test>\r\n"
              "  </Group>\r\n");
}

TEST_F(ResultsRouting, CoreErrorsAndWarningsAreNeitherCountedNorWritten) {
    raise(Rt::eCoreError);
    raise(Rt::eCoreWarning);
    raiseCoreLibraryError(Rt::eCoreError);
    results()._handleError(msg(Rt::eCoreWarning, "w").get());
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 0, 0, 0, 0}));
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(body(), "");
}

TEST_F(ResultsRouting, CoreLibraryErrorIsCountedAndWrittenAsKxError) {
    send("openObj", {"Test"});
    raiseCoreLibraryError(7, "pNew<Vec>");
    EXPECT_EQ(results().getTestErrors(), 1);
    EXPECT_EQ(counts(results().errorSummary(-1)), V({0, 0, 0, 0, 1}));
    // Codes just outside the framework's range are the core library's own.
    raiseCoreLibraryError(-19);
    raiseCoreLibraryError(-10);
    raiseCoreLibraryError(0);
    EXPECT_EQ(results().getTestErrors(), 4);
    EXPECT_EQ(counts(results().errorSummary(-1)), V({0, 0, 0, 0, 4}));
    send("closeObj", {"Test"});
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 0, 0, 0, 4}));
    const std::string record =
        "    <KxError>\r\n"
        "      <Method>KxVecBase::reallocMem</Method>\r\n"
        "      <Desc>pNewVec</Desc>\r\n"
        "    </KxError>\r\n";
    EXPECT_EQ(body(),
              "  <Test id=\"0000000000\">\r\n"
              "    <KxError>\r\n"
              "      <Method>KxVecBase::reallocMem</Method>\r\n"
              "      <Desc>pNew&lt;Vec&gt;</Desc>\r\n"
              "    </KxError>\r\n" +
                  record + record + record + "  </Test>\r\n");
}

TEST_F(ResultsRouting, DisableStopsOnlyCoreLibraryErrors) {
    send("disable");
    EXPECT_FALSE(results().isEnabled());
    raiseCoreLibraryError();
    send("VerifyA");  // an unknown word is a core-library error, silenced too
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 0, 0, 0, 0}));
    EXPECT_EQ(body(), "");
    raise(Rt::eTestError);
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 0}));

    send("enable");
    EXPECT_TRUE(results().isEnabled());
    raiseCoreLibraryError();
    EXPECT_EQ(results().getTestErrors(), 1);
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 1}));
    EXPECT_EQ(body(), std::string("  ") + "<Error>\r\n"
                                          "    <Method>Cls::meth</Method>\r\n"
                                          "    <Desc>bad</Desc>\r\n"
                                          "  </Error>\r\n"
                                          "  <KxError>\r\n"
                                          "    <Method>KxVecBase::reallocMem</Method>\r\n"
                                          "    <Desc>pNewVec</Desc>\r\n"
                                          "  </KxError>\r\n");
}

TEST_F(ResultsRouting, LockMakesTheCallbackIgnoreEverything) {
    results().lock();
    raise(Rt::eTestError);
    raiseCoreLibraryError();
    raise(Rt::eSummaryRequest);
    EXPECT_TRUE(results().isLocked());
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 0, 0, 0, 0}));
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(body(), "");
    // Direct routing does not look at the lock.
    results()._handleError(msg(Rt::eTestWarning, "direct").get());
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 1, 0, 0, 0}));
    EXPECT_TRUE(results().isLocked());
    results().unLock();
    raise(Rt::eTestError);
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 1, 0, 0, 0}));
}

TEST_F(ResultsRouting, CommandWordsAreCaseSensitive) {
    for (const char* word : {"VerifyA", "openobj", "CloseObj", "", "verifyA "}) send(word, {"Test"});
    EXPECT_EQ(results().getTestErrors(), 5);
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 0, 0, 0, 5}));
    EXPECT_EQ(results().level(), 0);
    const std::string first =
        "  <KxError>\r\n"
        "    <Method>Cls::meth</Method>\r\n"
        "    <Desc>VerifyA</Desc>\r\n"
        "  </KxError>\r\n";
    EXPECT_EQ(body().substr(0, first.size()), first);
}

TEST_F(ResultsRouting, CallbackAndDirectRoutingLeaveTheirLinesInTheFile) {
    send("openObj", {"Group"});
    EXPECT_EQ(body(), "  <Group id=\"0000000000\">\r\n");
    raise(Rt::eTestError);
    EXPECT_EQ(body(), std::string("  <Group id=\"0000000000\">\r\n    ") + kTestError);
    send("closeObj", {"Group"});
}

TEST_F(ResultsRouting, CallbackIgnoresClearedErrorsAndMissingResults) {
    KxErrorState::setError(msg(Rt::eTestError, "x").get());
    Rt::GlobalResults::callback(false);
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 0}));
    KxErrorState::clearError();
    Rt::GlobalResults::callback(true);  // no current error: nothing to route
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 0}));
    EXPECT_FALSE(results().isLocked());

    const std::string before = body();
    Kx::SharedPtr<Rt::GlobalResults> kept = Rt::gResults;
    Rt::gResults = nullptr;
    raise(Rt::eTestError);
    raiseCoreLibraryError();
    EXPECT_EQ(counts(kept->errorSummary(0)), V({1, 0, 0, 0, 0}));
    EXPECT_EQ(kept->getTestErrors(), 0);
    Rt::gResults = kept;
    kept = nullptr;
    EXPECT_EQ(body(), before);
}

TEST_F(ResultsRouting, CloseAtTheRunLevelChangesNothing) {
    send("closeObj", {"Stray"});
    EXPECT_EQ(results().level(), 0);
    EXPECT_EQ(results().numSummaries(), 1u);
    EXPECT_EQ(body(), "");
}

TEST_F(ResultsRouting, WriteObjCommandWritesTheMessageValues) {
    Kx::SharedPtr<Rt::Msg> values = msg(Rt::eCommand, "writeObj");
    values->setAtr("Title", "T & U");
    values->setAtr("Time", "1.00 Seconds");
    results()._handleError(values.get());
    EXPECT_EQ(body(), "  <Title>T &amp; U</Title>\r\n  <Time>1.00 Seconds</Time>\r\n");
}

// The one exception a handler can really meet is the text storage's
// std::bad_alloc when no memory is left; the text allocator's failure hook
// produces it for a record whose method text needs a new block.
TEST_F(ResultsRouting, ExceptionInsideAHandlerIsSwallowedAndTheLockReleased) {
    std::string wide(1000, 'C');
    KxString className(wide.c_str());
    Kx::SharedPtr<Rt::Msg> huge(new Rt::Msg(className, "meth", "", "huge", Rt::eTestError));
    ASSERT_TRUE(huge);

    KxPlatform::instance().failTextAllocationsAfter(0);
    KxErrorState::setError(huge.get());
    KxPlatform::instance().failTextAllocationsAfter(-1);

    // The count was raised before the record failed; the record is left out whole.
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 0}));
    EXPECT_FALSE(results().isLocked());
    EXPECT_EQ(body(), "");
    raise(Rt::eTestError);
    EXPECT_EQ(counts(results().errorSummary(0)), V({2, 0, 0, 0, 0}));
    EXPECT_EQ(body(), std::string("  ") + "<Error>\r\n"
                                          "    <Method>Cls::meth</Method>\r\n"
                                          "    <Desc>bad</Desc>\r\n"
                                          "  </Error>\r\n");
}

// A plain core error carrying a framework code needs a message made for it;
// when the allocator refuses, the error is still counted and nothing breaks.
TEST_F(ResultsRouting, RefusedAllocationForAPlainErrorIsSurvived) {
    send("openObj", {"Test"});
    KxPlatform::instance().failAllocationsAfter(0);
    KxErrorState::throwStdError("Plain", "raise", "plain test error", Rt::eTestError);
    KxErrorState::throwStdError("Plain", "raise", "openObj", Rt::eCommand);
    KxErrorState::throwStdError("Plain", "raise", "verifyA", Rt::eCommand);
    KxPlatform::instance().failAllocationsAfter(-1);
    EXPECT_EQ(counts(results().errorSummary(-1)), V({1, 0, 0, 0, 0}));
    EXPECT_FALSE(results().isLocked());
    send("closeObj", {"Test"});
    EXPECT_EQ(results().level(), 0);
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 0}));
}

} // namespace
