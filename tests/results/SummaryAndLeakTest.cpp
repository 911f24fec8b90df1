// Summaries, the run's global record and the checks for unhandled
// core-library errors.
#include "ResultsFixture.h"
#include "env/GlobalStorage.h"

namespace {

using namespace resultstest;

class ResultsLeakCheck : public ResultsFixture {};

TEST_F(ResultsLeakCheck, EachCheckReportsThePendingLeaksAsOneErrorWithItsPositionWord) {
    send("openObj", {"Test"});
    raiseCoreLibraryError();
    Kx::SharedPtr<Rt::Msg> before = send("verifyB");
    raiseCoreLibraryError(7, "pNewVec", 2);
    Kx::SharedPtr<Rt::Msg> in = send("verify");
    raiseCoreLibraryError(7, "pNewVec", 3);
    const std::string written = body();
    Kx::SharedPtr<Rt::Msg> after = send("verifyA", {"Basic"});
    const std::string leak = "3 KxError Leak(s) detected  after test";
    EXPECT_EQ(body(), written + ExpectedReport(2).record("Error", "Cls::meth", "verifyA", {"Basic", leak}).text());
    send("verifyA");  // reported once: the next check finds nothing
    raiseCoreLibraryError();
    Kx::SharedPtr<Rt::Msg> other = message({}, {}, "direct");
    EXPECT_FALSE(results().reportUnhandleKxErrors(other.get(), 5));
    EXPECT_EQ(lines(before->textList), S({"1 KxError Leak(s) detected  before test"}));
    EXPECT_EQ(lines(in->textList), S({"2 KxError Leak(s) detected  in test"}));
    EXPECT_EQ(lines(after->textList), S({"Basic", leak}));
    EXPECT_EQ(lines(other->textList), S({"1 KxError Leak(s) detected "}));
    EXPECT_EQ(openCounts(), V({7, 4, 0, 0, 0}));
    EXPECT_EQ(results().getTestErrors(), 0);
    send("closeObj", {"Test"});
}

TEST_F(ResultsLeakCheck, NothingPendingWritesNothingAndClearsTheCurrentError) {
    raise(Rt::eCoreError);  // a current error that is no core-library error
    ASSERT_NE(KxErrorState::s_pError, nullptr);
    Kx::SharedPtr<Rt::Msg> check = send("verifyA", {"Basic"});
    EXPECT_EQ(lines(check->textList), S({"Basic"}));
    EXPECT_EQ(runCounts(), V({0, 0, 0, 0, 0}));
    EXPECT_EQ(KxErrorState::s_pError, nullptr);
    EXPECT_EQ(body(), "");
    Kx::SharedPtr<Rt::Msg> direct = message({"Name"}, {}, "direct");
    EXPECT_TRUE(results().reportUnhandleKxErrors(direct.get(), 1));
    EXPECT_TRUE(results().reportUnhandleKxErrors(direct.get(), KxString("Name")));
    EXPECT_EQ(lines(direct->textList), S({"Name"}));
}

TEST_F(ResultsLeakCheck, CatchRewritesTheFirstTextEntry) {
    raiseCoreLibraryError(7, "pNewVec", 2);
    Kx::SharedPtr<Rt::Msg> caught = send("catch", {"MyCase", "Other"});
    EXPECT_EQ(lines(caught->textList), S({"2 KxErrors Encountered in  test : MyCase", "Other"}));
    EXPECT_EQ(runCounts(), V({2, 1, 0, 0, 0}));
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(body(), ExpectedReport()
                          .kxError("KxVecBase::reallocMem", "pNewVec")
                          .kxError("KxVecBase::reallocMem", "pNewVec")
                          .record("Error", "Cls::meth", "catch", {"2 KxErrors Encountered in  test : MyCase", "Other"})
                          .body());
    raiseCoreLibraryError();
    EXPECT_EQ(lines(send("catch")->textList), S({"1 KxErrors Encountered in  test : "}));
    EXPECT_EQ(lines(send("catch", {"MyCase"})->textList), S({"MyCase"}));
    EXPECT_EQ(runCounts(), V({3, 2, 0, 0, 0}));
}

class ResultsSummary : public ResultsFixture {};

TEST_F(ResultsSummary, FiveValuesInOrderAndNothingChanges) {
    send("openObj", {"Test"});
    raise(Rt::eTestError);
    raise(Rt::eTestWarning);
    raise(Rt::eTestWarning);
    raiseCoreLibraryError(7, "pNewVec", 4);
    raise(Rt::eExternalWarning);
    const std::string before = body();
    raise(Rt::eSummaryRequest);
    EXPECT_EQ(openCounts(), V({4, 1, 2, 0, 1}));
    EXPECT_EQ(results().level(), 1);
    EXPECT_EQ(results().getTestErrors(), 4);
    EXPECT_EQ(body(), before + ExpectedReport(2).summary({4, 1, 2, 0, 1}).text());
    send("closeObj", {"Test"});
}

TEST_F(ResultsSummary, GlobalRecordIsTheLastElementOfTheReport) {
    Rt::setMachine("HOST&1");
    Rt::setPlatform("LNX64");
    send("openObj", {"Group"});
    raise(Rt::eTestError);
    send("closeObj", {"Group"});
    const std::string written = testsupport::readBytes(session.path());
    results().lock();  // destruction clears the lock before the record
    const std::string global = ExpectedReport().finish("HOST&amp;1", "LNX64", testsupport::coreVersion());
    EXPECT_EQ(session.close(), written + testsupport::reportBody(global));
}

} // namespace
