// Summaries, the run's global record and the checks for unhandled
// core-library errors.
#include "ResultsFixture.h"
#include "corelib/KxBuildInfo.h"
#include "env/GlobalStorage.h"
#include <regex>

namespace {

using resultstest::counts;
using resultstest::lines;
using V = std::vector<int>;
using S = std::vector<std::string>;

class ResultsLeakCheck : public resultstest::ResultsFixture {
protected:
    void raiseCoreLibraryErrors(int n) {
        for (int i = 0; i < n; ++i) raiseCoreLibraryError();
    }
    std::string kxErrorRecords(int n) {
        std::string records;
        for (int i = 0; i < n; ++i)
            records +=
                "  <KxError>\r\n"
                "    <Method>KxVecBase::reallocMem</Method>\r\n"
                "    <Desc>pNewVec</Desc>\r\n"
                "  </KxError>\r\n";
        return records;
    }
    static std::string leakRecord(const char* word, const std::vector<std::string>& texts) {
        std::string record = std::string("  <Error>\r\n    <Method>Cls::meth</Method>\r\n    <Desc>") + word +
                             "</Desc>\r\n";
        for (const std::string& text : texts) record += "    <Msg>" + text + "</Msg>\r\n";
        return record + "  </Error>\r\n";
    }
};

TEST_F(ResultsLeakCheck, AfterTestReportsThreeLeaksAsOneError) {
    raiseCoreLibraryErrors(3);
    const std::string before = body();
    Kx::SharedPtr<Rt::Msg> check = send("verifyA", {"Basic"});
    EXPECT_EQ(lines(check->textList), S({"Basic", "3 KxError Leak(s) detected  after test"}));
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 3}));
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(body(), before + leakRecord("verifyA", {"Basic", "3 KxError Leak(s) detected  after test"}));
    // Reported once: the next check finds nothing.
    send("verifyA");
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 3}));
}

TEST_F(ResultsLeakCheck, PositionWordsAndTheTrailingBlank) {
    raiseCoreLibraryError();
    Kx::SharedPtr<Rt::Msg> before = send("verifyB");
    raiseCoreLibraryErrors(2);
    Kx::SharedPtr<Rt::Msg> in = send("verify");
    raiseCoreLibraryError();
    Kx::SharedPtr<Rt::Msg> other = msg(Rt::eCommand, "direct");
    EXPECT_FALSE(results().reportUnhandleKxErrors(other.get(), 5));
    EXPECT_EQ(lines(before->textList), S({"1 KxError Leak(s) detected  before test"}));
    EXPECT_EQ(lines(in->textList), S({"2 KxError Leak(s) detected  in test"}));
    EXPECT_EQ(lines(other->textList), S({"1 KxError Leak(s) detected "}));
    EXPECT_EQ(counts(results().errorSummary(0)), V({3, 0, 0, 0, 4}));
    EXPECT_EQ(results().getTestErrors(), 0);
}

TEST_F(ResultsLeakCheck, NothingPendingWritesNothingAndClearsTheCurrentError) {
    raise(Rt::eCoreError);  // a current error that is no core-library error
    ASSERT_NE(KxErrorState::s_pError, nullptr);
    Kx::SharedPtr<Rt::Msg> check = send("verifyA", {"Basic"});
    EXPECT_EQ(lines(check->textList), S({"Basic"}));
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 0, 0, 0, 0}));
    EXPECT_EQ(KxErrorState::s_pError, nullptr);
    EXPECT_EQ(body(), "");
    Kx::SharedPtr<Rt::Msg> direct = msg(Rt::eCommand, "direct", {"Name"});
    EXPECT_TRUE(results().reportUnhandleKxErrors(direct.get(), 1));
    EXPECT_TRUE(results().reportUnhandleKxErrors(direct.get(), KxString("Name")));
    EXPECT_EQ(lines(direct->textList), S({"Name"}));
}

TEST_F(ResultsLeakCheck, LeakCountsOnTheOpenLevel) {
    send("openObj", {"Test"});
    raiseCoreLibraryErrors(2);
    send("verifyA");
    EXPECT_EQ(counts(results().errorSummary(-1)), V({1, 0, 0, 0, 2}));
    EXPECT_EQ(counts(results().errorSummary(0)), V({0, 0, 0, 0, 0}));
    send("closeObj", {"Test"});
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 2}));
}

TEST_F(ResultsLeakCheck, CatchRewritesTheFirstTextEntry) {
    raiseCoreLibraryErrors(2);
    Kx::SharedPtr<Rt::Msg> caught = send("catch", {"MyCase", "Other"});
    EXPECT_EQ(lines(caught->textList), S({"2 KxErrors Encountered in  test : MyCase", "Other"}));
    EXPECT_EQ(counts(results().errorSummary(0)), V({1, 0, 0, 0, 2}));
    EXPECT_EQ(results().getTestErrors(), 0);
    EXPECT_EQ(body(), kxErrorRecords(2) + leakRecord("catch", {"2 KxErrors Encountered in  test : MyCase", "Other"}));

    raiseCoreLibraryError();
    Kx::SharedPtr<Rt::Msg> unnamed = send("catch");
    EXPECT_EQ(lines(unnamed->textList), S({"1 KxErrors Encountered in  test : "}));
    EXPECT_EQ(counts(results().errorSummary(0)), V({2, 0, 0, 0, 3}));

    Kx::SharedPtr<Rt::Msg> quiet = send("catch", {"MyCase"});
    EXPECT_EQ(lines(quiet->textList), S({"MyCase"}));
    EXPECT_EQ(counts(results().errorSummary(0)), V({2, 0, 0, 0, 3}));
}

class ResultsSummary : public resultstest::ResultsFixture {};

TEST_F(ResultsSummary, FiveValuesInOrderAndNothingChanges) {
    send("openObj", {"Test"});
    raise(Rt::eTestError);
    raise(Rt::eTestWarning);
    raise(Rt::eTestWarning);
    for (int i = 0; i < 4; ++i) raiseCoreLibraryError();
    raise(Rt::eExternalWarning);
    const std::string before = body();
    raise(Rt::eSummaryRequest);
    EXPECT_EQ(counts(results().errorSummary(-1)), V({1, 2, 0, 1, 4}));
    EXPECT_EQ(results().level(), 1);
    EXPECT_EQ(results().getTestErrors(), 4);
    EXPECT_EQ(body(), before +
                          "    <Summary>\r\n"
                          "      <KxErrors>4</KxErrors>\r\n"
                          "      <Errors>1</Errors>\r\n"
                          "      <Warnings>2</Warnings>\r\n"
                          "      <ExtErrors>0</ExtErrors>\r\n"
                          "      <ExtWarnings>1</ExtWarnings>\r\n"
                          "    </Summary>\r\n");
    send("closeObj", {"Test"});
}

TEST_F(ResultsSummary, GlobalRecordIsTheLastElementOfTheReport) {
    Rt::setMachine("HOST&1");
    Rt::setPlatform("LNX64");
    send("openObj", {"Group"});
    raise(Rt::eTestError);
    results()._handleError(msg(Rt::eSummaryRequest, "").get());
    send("closeObj", {"Group"});
    const std::string written = body();
    results().lock();  // destruction clears the lock before the record
    Rt::gResults = nullptr;

    const std::string all = testsupport::readBytes(path);
    const std::string version = KxVersion::whatString + 4;
    const std::string tail =
        "  <Global>\r\n"
        "    <Machine>HOST&amp;1</Machine>\r\n"
        "    <Platform>LNX64</Platform>\r\n"
        "    <RunTime>T.TT Seconds</RunTime>\r\n"
        "    <Version>" +
        version +
        "</Version>\r\n"
        "  </Global>\r\n"
        "</KxRegTester>\r\n";
    EXPECT_EQ(testsupport::maskTimes(all),
              "<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n" + testsupport::maskTimes(written) + tail);
    EXPECT_TRUE(std::regex_search(all, std::regex("<RunTime>[0-9]+\\.[0-9]{2} Seconds</RunTime>")));
}

} // namespace
