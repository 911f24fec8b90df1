// Script scanning as a whole run sees it: the exact errors raised (core
// errors, which the report never shows) and the groups and tests that reach
// the report.
#include "InProcess.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>

using e2e::Raised;
using e2e::ScanOutcome;
using e2e::scanScript;

namespace {

Raised d(const std::string& text) { return "TestDriver::executeD -13 " + text; }
Raised g(const std::string& text) { return "TestGroup::executeD -13 XML Error: Found " + text; }
Raised f(const std::string& text) { return "TestSetFactory::create -13 " + text; }

class E2eScriptScan : public ::testing::Test {
protected:
    testsupport::TempSuite suite;
};

TEST_F(E2eScriptScan, ScriptsScanToTheirErrorsAndGroups) {
    const std::string unclosed = "TestDriver XML Error: Failed to find close tag for group";
    struct Case {
        const char* script;
        bool result;
        std::vector<Raised> raised;
        std::string outline;
    } cases[] = {
        {"", true, {}, ""},
        {"plain words, no tags at all", true, {}, ""},
        {"a > b but never an opening bracket\n", true, {}, ""},
        {"<Group></Group><Group><Test><Title>A</Title></Test></Group>", true,
         {d("TestDriver XML Error: Empty Group Object")}, "/[A]"},
        // <Foo> after the unclosed group would be an unknown object if it were scanned.
        {"<Group><Name>G</Name><Test><Title>A</Title></Test><Foo>x</Foo>", false,
         {d("TestDriver XML Error: Empty Object Tag"), d(unclosed)}, ""},
        {"<group><Name>g1</Name><Test><Title>A</Title></Test></Group>\n"
         "<Group><Name>g2</Name><test><Title>B</Title></Test></group>\n"
         "<group><Name>g3</Name><Test><Title>C</Title></test></group>",
         true, {}, "g1/[A] g2/[B] g3/[C]"},
        // Objects at the script level are matched exactly.
        {"<GROUP>x</GROUP>", true, {d("TestDriver: Unknown Object")}, ""},
        {"<GROUP></GROUP>", true, {}, ""},
        {"<Name>x</name>", true, {d("TestDriver:/Name != /name")}, ""},
        {"<name>x</name><Name>y</Name>", true, {}, ""},
        {"<KXFILELOC>c:</KXFILELOC>", true, {d("TestDriver: Unknown Object")}, ""},
        {"<KxFileLoc>c:</KxFileLoc>", true, {}, ""},
        {"<Foo>x</Bar>", true, {d("TestDriver:/Foo != /Bar"), d("TestDriver: Unknown Object")}, ""},
        {"<>x</>", true, {d("TestDriver XML Error: Empty Object Tag"), d("TestDriver: Unknown Object")}, ""},
        {"<Name>x<>", true, {d("TestDriver: Empty Object Tag"), d("TestDriver:/Name != ")}, ""},
        // Errors inside a group name it, and its scan goes on.
        {"<Group><Name>G</Name><Desc>d</Desc><Foo>x</Foo><Test><Title>A</Title></Test><Name>a</Nam>"
         "<Test><Title>B</Title></Test></Group>",
         true, {g("Unknown Object: /Foo in group G"), g("/Name != /Nam in group G")}, "a/d[A,B]"},
        {"<Group><Name>G</Name><Name><b>x</b></Name><Test><Title>A</Title></Test></Group>", true,
         {g("/Name != b in group G"), g("//b != /Name in group G")}, "G/[A]"},
        // The script scanner meets the empty tag first, while it looks for the group's end.
        {"<Group><Name>G</Name><>x</><Test><Title>A</Title></Test></Group>", true,
         {d("TestDriver XML Error: Empty Object Tag"), g("Empty Object Tag in group G"),
          g("Unknown Object: / in group G")},
         "G/[A]"},
        {"<Group><Name>first</Name><Name>second</Name></Group>", true, {}, "second/[]"},
        // A group without Name carries the previous title and description.
        {"<Group><Name>G1</Name><Desc>D1</Desc><Test><Title>A</Title></Test></Group>"
         "<Group><Test><Title>B</Title></Test></Group>",
         true, {}, "G1/D1[A] G1/D1[B]"},
        // A Name after the tests titles the group only from there on.
        {"<Group><Name>A</Name></Group><Group><Test><Title>B</Title></Test><Foo>x</Foo><Name>N</Name></Group>", true,
         {g("Unknown Object: /Foo in group A")}, "A/[] N/[B]"},
        {"<Group><Name>G</Name><Test><Title>A</Title><Arg>1</Arg></Group>"
         "<Group><Name>H</Name><Test><Title>B</Title></Test></Group>",
         true, {g("Empty Object Tag in group G")}, "G/[] H/[B]"},
        {"<Group><Name>G</Name><Test></Test><Test><Title>Nope</Title></Test></Group>", true,
         {f("Test:  - Is Not Defined"), f("Test: Nope - Is Not Defined")}, "G/[]"},
        {"\r\n<Group>\r\n  <Name>two\r\nlines</Name>\n  <Test>\n    <Title>A</Title>\n  </Test>\n</Group>\n", true,
         {}, "two\r\nlines/[A]"},
    };
    for (const Case& c : cases) {
        ScanOutcome outcome = scanScript(c.script);
        EXPECT_EQ(outcome.result, c.result) << c.script;
        EXPECT_EQ(outcome.raised, c.raised) << c.script;
        EXPECT_EQ(e2e::outline(outcome.report), c.outline) << c.script;
        // Script problems are core errors: neither counted nor written.
        EXPECT_EQ(testsupport::occurrences(outcome.report, "Error>\r\n"), 0) << c.script;
        EXPECT_EQ(testsupport::xmlProblems(testsupport::onlyFileEndingIn(suite.results(), ".xml")), "") << c.script;
    }
}

TEST_F(E2eScriptScan, TestContentMayHoldAnyTags) {
    ScanOutcome outcome = scanScript(
        "<Group><Name>G</Name><Test><Title>A</Title><Arg>x</Arg><Foo>y</Foo><Arg>z</Arg><Ext>e</Ext></test></Group>");
    EXPECT_EQ(outcome.raised, std::vector<Raised>{f("XML Error: Found Unknown Object: /Foo in test A")});
    EXPECT_EQ(e2e::probeLog(), std::vector<std::string>{"P:A[x,z]{e}"});
}

} // namespace
