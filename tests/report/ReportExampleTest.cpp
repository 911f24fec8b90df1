// A whole report, produced through the results object the way a run drives
// it, compared byte for byte with the expected document.
#include "ReportText.h"
#include "corelib/KxBuildInfo.h"
#include "env/GlobalStorage.h"
#include "results/GlobalResults.h"
#include <gtest/gtest.h>

namespace {

using reporttest::message;

const char* const kExpected =
    "<?xml version=\"1.0\"?>\r\n"
    "<KxRegTester>\r\n"
    "  <Group id=\"0000000000\">\r\n"
    "    <Test id=\"0000000001\">\r\n"
    "      <Error>\r\n"
    "        <Method>Basic::check</Method>\r\n"
    "        <Desc>Bad value</Desc>\r\n"
    "        <Msg>x &lt; 3</Msg>\r\n"
    "      </Error>\r\n"
    "      <Arg>m1.kx</Arg>\r\n"
    "      <Ext></Ext>\r\n"
    "      <Time>0.01 Seconds</Time>\r\n"
    "      <Desc>Checks the basics</Desc>\r\n"
    "      <Title>Basic</Title>\r\n"
    "      <Summary>\r\n"
    "        <KxErrors>0</KxErrors>\r\n"
    "        <Errors>1</Errors>\r\n"
    "        <Warnings>0</Warnings>\r\n"
    "        <ExtErrors>0</ExtErrors>\r\n"
    "        <ExtWarnings>0</ExtWarnings>\r\n"
    "      </Summary>\r\n"
    "    </Test>\r\n"
    "    <Time>0.02 Seconds</Time>\r\n"
    "    <Desc>Quick checks</Desc>\r\n"
    "    <Title>Smoke</Title>\r\n"
    "    <Summary>\r\n"
    "      <KxErrors>0</KxErrors>\r\n"
    "      <Errors>1</Errors>\r\n"
    "      <Warnings>0</Warnings>\r\n"
    "      <ExtErrors>0</ExtErrors>\r\n"
    "      <ExtWarnings>0</ExtWarnings>\r\n"
    "    </Summary>\r\n"
    "  </Group>\r\n"
    "  <Global>\r\n"
    "    <Machine>HOST1</Machine>\r\n"
    "    <Platform>WIN64</Platform>\r\n"
    "    <RunTime>0.50 Seconds</RunTime>\r\n"
    "    <Version>V</Version>\r\n"
    "  </Global>\r\n"
    "</KxRegTester>\r\n";

Kx::SharedPtr<Rt::Msg> command(const char* word, const char* element) {
    return message({element}, {}, "TestSet", "execute", word, Rt::eCommand);
}

TEST(ReportExample, OneGroupOneTestOneError) {
    testsupport::TempSuite suite("WIN64");
    Rt::setMachine("HOST1");
    Rt::setPlatform("WIN64");
    Rt::gResults = new Rt::GlobalResults;
    ASSERT_TRUE(Rt::gResults && Rt::gResults->isTest());
    const std::string path = Rt::gResults->testReporter()->reportPath().toStdString();
    Rt::GlobalResults& results = *Rt::gResults;

    results.route(command("openObj", "Group").get());
    results.route(command("openObj", "Test").get());

    Kx::SharedPtr<Rt::Msg> error(new Rt::Msg("Basic", "check", "", "Bad value", Rt::eTestError));
    error->textList.append("x < 3");
    KxErrorState::setError(error.get());

    Kx::SharedPtr<Rt::Msg> testValues = command("writeObj", "Test");
    testValues->textList.remove(0, 1);
    testValues->setAtr("Arg", "m1.kx");
    testValues->setAtr("Ext", "");
    testValues->setAtr("Time", "0.01 Seconds");
    testValues->setAtr("Desc", "Checks the basics");
    testValues->setAtr("Title", "Basic");
    results.route(testValues.get());
    Kx::SharedPtr<Rt::Msg> summary(new Rt::Msg("TestSet", "execute", "", "", Rt::eSummaryRequest));
    results.route(summary.get());
    results.route(command("closeObj", "Test").get());

    Kx::SharedPtr<Rt::Msg> groupValues = command("writeObj", "Group");
    groupValues->textList.remove(0, 1);
    groupValues->setAtr("Time", "0.02 Seconds");
    groupValues->setAtr("Desc", "Quick checks");
    groupValues->setAtr("Title", "Smoke");
    results._handleError(groupValues.get());
    results._handleError(summary.get());
    results._handleError(command("closeObj", "Group").get());
    EXPECT_EQ(results.level(), 0);

    Rt::gResults = nullptr;

    std::string expected = kExpected;
    const std::string version = KxVersion::whatString + 4;
    expected.replace(expected.find("<Version>V<") + 9, 1, version);
    const std::string actual = testsupport::readBytes(path);
    EXPECT_EQ(testsupport::maskTimes(actual), testsupport::maskTimes(expected));
    EXPECT_EQ(testsupport::xmlProblems(path), "");
}

} // namespace
