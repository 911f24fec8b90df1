// Whole runs of the driver in-process: several scripts, missing ones, the
// factories asked in turn, and the run's results object.
#include "InProcess.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>

using e2e::ProbeFactory;
using Strings = std::vector<std::string>;

namespace {

class E2eDriverRun : public ::testing::Test {
protected:
    testsupport::TempSuite suite;

    void script(const std::string& name, const std::string& text) {
        testsupport::writeBytes(suite.config() + name, text);
    }

    // Runs the named scripts with the given factories; returns execute()'s result.
    bool run(Strings names, std::vector<ProbeFactory*> factories) {
        names.insert(names.begin(), "rtrun");
        std::vector<char*> argv;
        for (std::string& name : names) argv.push_back(&name[0]);
        argv.push_back(nullptr);
        int argc = static_cast<int>(names.size());
        e2e::probeLog().clear();
        Kx::SharedPtrVec<Rt::TestSetFactory> list;
        for (ProbeFactory* factory : factories) list.append(Kx::SharedPtr<Rt::TestSetFactory>(factory));
        Rt::TestDriver driver(argc, argv.data());
        driver.setFactories(list);
        e2e::recordRaisedErrors();
        return driver.execute();
    }
    std::string outline() { return e2e::outline(e2e::readReport(suite.results())); }
};

TEST_F(E2eDriverRun, MissingOrBrokenScriptDoesNotStopTheNextOne) {
    script("a.rt", "<Group><Name>first</Name><Test><Title>A</Title></Test></Group>");
    script("broken.rt", "<Group><Name>broken</Name><Test><Title>B</Title></Test>");
    script("c.rt", "<Group><Name>third</Name><Test><Title>C</Title></Test></Group>");
    EXPECT_TRUE(run({"a.rt", "missing.rt", "broken.rt", "c.rt"}, {new ProbeFactory("P", {"A", "B", "C"})}));
    EXPECT_EQ(e2e::raisedErrors(),
              (Strings{"TestDriver::readFile -13 Could not open file",
                       "TestDriver::execute -13 Could not open file: missing.rt",
                       "TestDriver::executeD -13 TestDriver XML Error: Empty Object Tag",
                       "TestDriver::executeD -13 TestDriver XML Error: Failed to find close tag for group"}));
    EXPECT_EQ(e2e::probeLog(), (Strings{"P:A[]{}", "P:C[]{}"}));
    EXPECT_EQ(outline(), "first/[A] third/[C]");
}

TEST_F(E2eDriverRun, FirstFactoryThatKnowsTheTestCreatesItAndLaterOnesAreNotAsked) {
    script("s.rt", "<Group><Name>G</Name><Test><Title>Target</Title><Arg>1</Arg></Test></Group>");
    auto* first = new ProbeFactory("first", {"Other"});
    auto* second = new ProbeFactory("second", {"Target"});
    auto* third = new ProbeFactory("third", {"Target"});
    Kx::SharedPtr<Rt::TestSetFactory> keep[] = {first, second, third};
    EXPECT_TRUE(run({"s.rt"}, {first, second, third}));
    EXPECT_EQ(e2e::raisedErrors(), Strings{"TestSetFactory::create -13 Test: Target - Is Not Defined"});
    EXPECT_EQ(first->asked(), 1);
    EXPECT_EQ(second->asked(), 1);
    EXPECT_EQ(third->asked(), 0);
    EXPECT_EQ(e2e::probeLog(), Strings{"second:Target[1]{}"});
    EXPECT_NE(e2e::readReport(suite.results()).find("      <Desc>from second</Desc>\r\n"), std::string::npos);
}

TEST_F(E2eDriverRun, SecondDriverReplacesTheResultsAndDestroyingTheFirstEmptiesThem) {
    int argc = 1;
    char program[] = "rtrun";
    char* argv[] = {program, nullptr};
    auto* first = new Rt::TestDriver(argc, argv);
    Rt::GlobalResults* firstResults = Rt::gResults.get();
    ASSERT_NE(firstResults, nullptr);
    auto* second = new Rt::TestDriver(argc, argv);
    ASSERT_NE(Rt::gResults.get(), nullptr);
    EXPECT_NE(Rt::gResults.get(), firstResults);
    delete first;
    EXPECT_EQ(Rt::gResults.get(), nullptr);
    // The second driver still runs, with nowhere to report to.
    EXPECT_TRUE(second->execute());
    delete second;
    EXPECT_EQ(Rt::gResults.get(), nullptr);
}

TEST_F(E2eDriverRun, ScriptOfTwoAndAHalfBlocksArrivesWhole) {
    // Argument values straddle the 1000th and 2000th bytes of the file.
    std::string a, b;
    for (int i = 0; i < 1200; ++i) a += static_cast<char>('0' + i % 10);
    const std::string head = "<Group><Name>Long</Name><Test><Title>A</Title><Arg>";
    const std::string mid = "</Arg><Arg>";
    const std::string tail = "</Arg><Ext>end</Ext></Test></Group>\n";
    for (std::size_t i = 0, n = 2500 - head.size() - a.size() - mid.size() - tail.size(); i < n; ++i)
        b += static_cast<char>('a' + i % 26);
    ASSERT_EQ((head + a + mid + b + tail).size(), 2500u);
    script("long.rt", head + a + mid + b + tail);
    EXPECT_TRUE(run({"long.rt"}, {new ProbeFactory("P", {"A"})}));
    EXPECT_TRUE(e2e::raisedErrors().empty());
    EXPECT_EQ(e2e::probeLog(), Strings{"P:A[" + a + "," + b + "]{end}"});
}

TEST_F(E2eDriverRun, ZeroByteEndsTheTextOfItsBlockOnly) {
    // In the first 1000-byte block everything after the zero byte is lost;
    // the next block's text is appended as usual.
    std::string first = "<Group><Name>G</Name><Test><Title>A</Title></Test>";
    first += '\0';
    first += "<Test><Title>B</Title></Test>";
    first.resize(1000, ' ');
    script("zero.rt", first + "<Test><Title>C</Title></Test></Group>");
    std::string shortScript = "<Group><Name>H</Name><Test><Title>A</Title></Test></Group>";
    shortScript += '\0';
    shortScript += "<Group><Name>lost</Name><Test><Title>B</Title></Test></Group>";
    script("short.rt", shortScript);
    EXPECT_TRUE(run({"zero.rt", "short.rt"}, {new ProbeFactory("P", {"A", "B", "C"})}));
    EXPECT_TRUE(e2e::raisedErrors().empty());
    EXPECT_EQ(outline(), "G/[A,C] H/[A]");
}

} // namespace
