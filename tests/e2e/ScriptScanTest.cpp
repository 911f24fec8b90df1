// Script scanning as a whole run sees it: the exact errors raised (core
// errors, which the report never shows), the groups that reach the report
// and the tests that run.
#include "InProcess.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>

using e2e::groupValues;
using e2e::Raised;
using e2e::ScanOutcome;
using e2e::scanScript;
using Strings = std::vector<std::string>;

namespace {

Raised driverError(const std::string& text) { return {"TestDriver", "executeD", -13, text}; }
Raised groupError(const std::string& text) { return {"TestGroup", "executeD", -13, text}; }

class E2eScriptScan : public ::testing::Test {
protected:
    testsupport::TempSuite suite;
};

TEST_F(E2eScriptScan, ScriptsWithoutObjectsRunNothingAndRaiseNothing) {
    for (const char* script : {"", "plain words, no tags at all", "a > b but never an opening bracket\n"}) {
        ScanOutcome outcome = scanScript(script);
        EXPECT_TRUE(outcome.result) << script;
        EXPECT_TRUE(outcome.raised.empty()) << script;
        EXPECT_TRUE(outcome.ran.empty()) << script;
        EXPECT_EQ(e2e::occurrences(outcome.report, "<Group"), 0) << script;
        EXPECT_EQ(testsupport::xmlProblems(testsupport::onlyFileEndingIn(suite.results(), ".xml")), "");
    }
}

TEST_F(E2eScriptScan, EmptyGroupIsReportedAndNotRun) {
    ScanOutcome outcome = scanScript("<Group></Group><Group><Test><Title>A</Title></Test></Group>");
    EXPECT_TRUE(outcome.result);
    EXPECT_EQ(outcome.raised, std::vector<Raised>{driverError("TestDriver XML Error: Empty Group Object")});
    EXPECT_EQ(outcome.ran, Strings{"P:A[]{}"});
    EXPECT_EQ(e2e::occurrences(outcome.report, "<Group id="), 1);
}

TEST_F(E2eScriptScan, MissingGroupCloseEndsTheScriptUnscanned) {
    // <Foo> after the unclosed group would be an unknown object if it were scanned.
    ScanOutcome outcome = scanScript("<Group><Name>G</Name><Test><Title>A</Title></Test><Foo>x</Foo>");
    EXPECT_FALSE(outcome.result);
    EXPECT_EQ(outcome.raised,
              (std::vector<Raised>{driverError("TestDriver XML Error: Empty Object Tag"),
                                   driverError("TestDriver XML Error: Failed to find close tag for group")}));
    EXPECT_TRUE(outcome.ran.empty());
    EXPECT_EQ(e2e::occurrences(outcome.report, "<Group"), 0);
}

TEST_F(E2eScriptScan, EitherFormClosesEitherFormOfGroup) {
    ScanOutcome outcome = scanScript(
        "<group><Name>g1</Name><Test><Title>A</Title></Test></Group>\n"
        "<Group><Name>g2</Name><test><Title>B</Title></Test></group>\n"
        "<group><Name>g3</Name><Test><Title>C</Title></test></group>");
    EXPECT_TRUE(outcome.result);
    EXPECT_TRUE(outcome.raised.empty());
    EXPECT_EQ(outcome.ran, (Strings{"P:A[]{}", "P:B[]{}", "P:C[]{}"}));
    EXPECT_EQ(groupValues(outcome.report, "Title"), (Strings{"g1", "g2", "g3"}));
}

TEST_F(E2eScriptScan, ScriptLevelObjectsAreMatchedExactly) {
    struct Case {
        const char* script;
        std::vector<Raised> raised;
    } cases[] = {
        {"<GROUP>x</GROUP>", {driverError("TestDriver: Unknown Object")}},
        {"<GROUP></GROUP>", {}},
        {"<Name>x</name>", {driverError("TestDriver:/Name != /name")}},
        {"<name>x</name><Name>y</Name>", {}},
        {"<KXFILELOC>c:</KXFILELOC>", {driverError("TestDriver: Unknown Object")}},
        {"<KxFileLoc>c:</KxFileLoc>", {}},
        {"<Foo>x</Bar>", {driverError("TestDriver:/Foo != /Bar"), driverError("TestDriver: Unknown Object")}},
        {"<>x</>", {driverError("TestDriver XML Error: Empty Object Tag"), driverError("TestDriver: Unknown Object")}},
        {"<Name>x<>", {driverError("TestDriver: Empty Object Tag"), driverError("TestDriver:/Name != ")}},
    };
    for (const Case& c : cases) {
        ScanOutcome outcome = scanScript(c.script);
        EXPECT_TRUE(outcome.result) << c.script;
        EXPECT_EQ(outcome.raised, c.raised) << c.script;
        EXPECT_TRUE(outcome.ran.empty()) << c.script;
    }
}

TEST_F(E2eScriptScan, GroupLevelErrorsNameTheGroupAndTheScanGoesOn) {
    ScanOutcome outcome = scanScript(
        "<Group><Name>G</Name><Desc>d</Desc><Foo>x</Foo><Test><Title>A</Title></Test><Name>a</Nam>"
        "<Test><Title>B</Title></Test></Group>");
    EXPECT_TRUE(outcome.result);
    EXPECT_EQ(outcome.raised, (std::vector<Raised>{groupError("XML Error: Found Unknown Object: /Foo in group G"),
                                                   groupError("XML Error: Found /Name != /Nam in group G")}));
    EXPECT_EQ(outcome.ran, (Strings{"P:A[]{}", "P:B[]{}"}));
    EXPECT_EQ(groupValues(outcome.report, "Title"), Strings{"a"});
    EXPECT_EQ(groupValues(outcome.report, "Desc"), Strings{"d"});
}

TEST_F(E2eScriptScan, TagsInsideAGroupNameAreMismatchesAndLeaveTheTitle) {
    ScanOutcome outcome = scanScript("<Group><Name>G</Name><Name><b>x</b></Name><Test><Title>A</Title></Test></Group>");
    EXPECT_EQ(outcome.raised, (std::vector<Raised>{groupError("XML Error: Found /Name != b in group G"),
                                                   groupError("XML Error: Found //b != /Name in group G")}));
    EXPECT_EQ(outcome.ran, Strings{"P:A[]{}"});
    EXPECT_EQ(groupValues(outcome.report, "Title"), Strings{"G"});
}

TEST_F(E2eScriptScan, EmptyTagsInAGroupAreReportedWithItsTitle) {
    ScanOutcome outcome = scanScript("<Group><Name>G</Name><>x</><Test><Title>A</Title></Test></Group>");
    // The script scanner meets the empty tag first, while it looks for the group's end.
    EXPECT_EQ(outcome.raised, (std::vector<Raised>{driverError("TestDriver XML Error: Empty Object Tag"),
                                                   groupError("XML Error: Found Empty Object Tag in group G"),
                                                   groupError("XML Error: Found Unknown Object: / in group G")}));
    EXPECT_EQ(outcome.ran, Strings{"P:A[]{}"});
}

TEST_F(E2eScriptScan, SecondNameWins) {
    ScanOutcome outcome = scanScript("<Group><Name>first</Name><Name>second</Name></Group>");
    EXPECT_TRUE(outcome.raised.empty());
    EXPECT_EQ(groupValues(outcome.report, "Title"), Strings{"second"});
}

TEST_F(E2eScriptScan, GroupWithoutNameCarriesThePreviousTitleAndDesc) {
    ScanOutcome outcome = scanScript(
        "<Group><Name>G1</Name><Desc>D1</Desc><Test><Title>A</Title></Test></Group>"
        "<Group><Test><Title>B</Title></Test></Group>");
    EXPECT_EQ(outcome.ran, (Strings{"P:A[]{}", "P:B[]{}"}));
    EXPECT_EQ(groupValues(outcome.report, "Title"), (Strings{"G1", "G1"}));
    EXPECT_EQ(groupValues(outcome.report, "Desc"), (Strings{"D1", "D1"}));
}

TEST_F(E2eScriptScan, NameAfterTheTestsTitlesTheGroupOnlyFromThere) {
    // The unknown object between the test and the Name shows the title in force while the test ran.
    ScanOutcome outcome = scanScript(
        "<Group><Name>A</Name></Group>"
        "<Group><Test><Title>B</Title></Test><Foo>x</Foo><Name>N</Name></Group>");
    EXPECT_EQ(outcome.raised, std::vector<Raised>{groupError("XML Error: Found Unknown Object: /Foo in group A")});
    EXPECT_EQ(outcome.ran, Strings{"P:B[]{}"});
    EXPECT_EQ(groupValues(outcome.report, "Title"), (Strings{"A", "N"}));
}

TEST_F(E2eScriptScan, UnclosedTestEndsItsGroupWithoutRunning) {
    ScanOutcome outcome = scanScript(
        "<Group><Name>G</Name><Test><Title>A</Title><Arg>1</Arg></Group>"
        "<Group><Name>H</Name><Test><Title>B</Title></Test></Group>");
    EXPECT_TRUE(outcome.result);
    EXPECT_EQ(outcome.raised, std::vector<Raised>{groupError("XML Error: Found Empty Object Tag in group G")});
    EXPECT_EQ(outcome.ran, Strings{"P:B[]{}"});
    EXPECT_EQ(groupValues(outcome.report, "Title"), (Strings{"G", "H"}));
    EXPECT_EQ(e2e::occurrences(outcome.report, "<Test id="), 1);
}

TEST_F(E2eScriptScan, TestContentMayHoldAnyTags) {
    ScanOutcome outcome = scanScript(
        "<Group><Name>G</Name><Test><Title>A</Title><Arg>x</Arg><Foo>y</Foo><Arg>z</Arg><Ext>e</Ext></test></Group>");
    const Raised unknown{"TestSetFactory", "create", -13, "XML Error: Found Unknown Object: /Foo in test A"};
    EXPECT_EQ(outcome.raised, std::vector<Raised>{unknown});
    EXPECT_EQ(outcome.ran, Strings{"P:A[x,z]{e}"});
}

TEST_F(E2eScriptScan, EmptyTestAsksTheFactoryForTheEmptyTitle) {
    ScanOutcome outcome = scanScript("<Group><Name>G</Name><Test></Test><Test><Title>Nope</Title></Test></Group>");
    EXPECT_EQ(outcome.raised, (std::vector<Raised>{{"TestSetFactory", "create", -13, "Test:  - Is Not Defined"},
                                                   {"TestSetFactory", "create", -13, "Test: Nope - Is Not Defined"}}));
    EXPECT_TRUE(outcome.ran.empty());
    EXPECT_EQ(e2e::occurrences(outcome.report, "<Test id="), 0);
    // Core errors are neither counted nor written.
    EXPECT_EQ(e2e::occurrences(outcome.report, "Is Not Defined"), 0);
    EXPECT_EQ(groupValues(outcome.report, "Title"), Strings{"G"});
}

TEST_F(E2eScriptScan, LineBreaksBetweenObjectsChangeNothingAndInsideValuesAreKept) {
    ScanOutcome outcome =
        scanScript("\r\n<Group>\r\n  <Name>two\r\nlines</Name>\n  <Test>\n    <Title>A</Title>\n  </Test>\n</Group>\n");
    EXPECT_TRUE(outcome.raised.empty());
    EXPECT_EQ(outcome.ran, Strings{"P:A[]{}"});
    EXPECT_EQ(groupValues(outcome.report, "Title"), Strings{"two\r\nlines"});
}

} // namespace
