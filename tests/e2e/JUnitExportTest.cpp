// JUnit files converted from real reports of the real rtrun: valid against
// the JUnit schema CI servers use, read back by a real consumer (Python's
// xml.etree) with the counts of the report they came from.
#include "Installation.h"
#include "rtrun/reports/junit/JUnitExport.h"
#include "rtrun/cli/Options.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

using e2e::Installation;
using e2e::RunResult;
using testsupport::readBytes;

namespace {


std::string schemaProblems(const std::string& junit) { return testsupport::schemaProblems(junit, RT_JUNIT_XSD); }

#ifndef _WIN32  // the consumer runs on Debian's python3, a Linux program
const std::string kPython = "/usr/bin/python3"; // Debian's, whatever else is on PATH

// The consumer's lines; `report` empty for no comparison with a report.
testsupport::CommandResult consume(const std::string& junit, const std::string& report = "") {
    return testsupport::runCommand(kPython + " '" RT_JUNIT_CONSUMER "' '" + junit + "'" +
                                   (report.empty() ? "" : " '" + report + "'"));
}

std::string lastLine(const std::string& text) {
    const std::size_t end = text.find_last_not_of('\n');
    return end == std::string::npos ? "" : text.substr(text.rfind('\n', end) + 1, end - text.rfind('\n', end));
}
#endif

std::string copyExampleSuite(Installation& install) {
    install.addLibrary(RT_E2E_LIB_EXAMPLE);
    const std::string suite = install.root() + "example/";
    e2e::copyTree(RT_E2E_EXAMPLE_SUITE, suite);
    std::filesystem::remove_all(suite + "Results");
    std::filesystem::create_directory(suite + "Results");
    return suite;
}

// Every kind of record, titles that repeat with and without arguments.
const char kEveryKind[] =
    "<Group><Name>Kinds</Name>"
    "<Test><Title>Pass</Title></Test><Test><Title>Fail</Title></Test><Test><Title>Warn</Title></Test>"
    "<Test><Title>Throw</Title></Test><Test><Title>External</Title></Test>"
    "<Test><Title>ExtWarning</Title></Test><Test><Title>ReturnFalse</Title></Test>"
    "<Test><Title>CoreError</Title></Test>"
    "<Test><Title>Echo</Title><Arg>a</Arg><Arg>1</Arg></Test><Test><Title>Echo</Title><Arg>b</Arg></Test>"
    "<Test><Title>Pass</Title></Test></Group>";

struct RoundTrip {
    const char* name;
    const char* script;   // for the e2e library; empty for the example suite
    const char* totals;   // the consumer's last line
    bool cutOff;
};

TEST(JUnitExport, ConvertedReportsValidateAndReadBackWithTheReportsCounts) {
    const RoundTrip table[] = {
        // NoSuchTest did not run: a testcase of its own, from the run's index.
        {"example suite", "", "total|12|4|3", false},
        {"every record kind", kEveryKind, "total|11|3|2", false},
#ifndef _WIN32  // on Windows the libraries unloading at _Exit() close the report as if the test had ended
        {"cut off by a dying test",
         "<Group><Name>Dies</Name><Test><Title>Fail</Title></Test><Test><Title>Die</Title></Test></Group>",
         "total|2|1|1", true},
#endif
    };
    for (const RoundTrip& row : table) {
        SCOPED_TRACE(row.name);
        Installation install;
        std::string results = install.results();
        RunResult run;
        if (*row.script == '\0') {
            const std::string suite = copyExampleSuite(install);
            results = suite + "Results/";
            run = install.run({"--suite", suite, "smoke.rt", "showcase.rt"}, {}, false);
        } else {
            install.addLibrary(RT_E2E_LIB_MAIN);
            install.writeScript("s.rt", row.script);
            run = install.run({"--in-process", "s.rt"});  // no supervisor: a dying test cuts the report off
        }
        const std::string report = testsupport::onlyFileEndingIn(results, ".xml");
        ASSERT_NE(report, "") << run.out << run.err;

        const std::string junit = install.root() + "junit.xml";
        const RunResult converted = install.run({"--junit-from", report, junit}, {}, false);
        EXPECT_EQ(converted.status, 0) << converted.err;
        EXPECT_EQ(converted.out, "");
        EXPECT_EQ(converted.err.empty(), !row.cutOff) << converted.err;
        if (row.cutOff) {
            EXPECT_NE(converted.err.find("ends inside test"), std::string::npos) << converted.err;
        }
        EXPECT_EQ(schemaProblems(junit), "");

#ifndef _WIN32  // the consumer is a Linux program
        // A cut-off report has no counts of its own to compare with.
        const testsupport::CommandResult read = consume(junit, row.cutOff ? "" : report);
        EXPECT_EQ(read.status, 0) << read.output;
        EXPECT_EQ(lastLine(read.output), row.totals) << read.output;
#endif
    }
}

// What the converter makes of each record, checked in one file.
TEST(JUnitExport, EachRecordBecomesItsElementAndRepeatedTitlesGetTheirArguments) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_MAIN);
    install.writeScript("s.rt", kEveryKind);
    install.run({"s.rt"});
    const std::string junit = install.root() + "junit.xml";
    const rtrun::JUnitOutcome outcome = rtrun::writeJUnit(install.reportPath(), junit);
    ASSERT_TRUE(outcome.written) << outcome.problem;
    EXPECT_FALSE(outcome.reportCutOff);
    const std::string text = readBytes(junit);
    for (const char* part : {
             "<testcase name=\"Fail\" classname=\"Kinds\" time=\"0.00\">\n"
             "      <failure message=\"check\" type=\"Error in Fail::executeW\">"
             "value 3 &lt; 4 &amp; \"quoted\"</failure>",
             "<error message=\"\" type=\"ExtError in External::solve\">solver diverged</error>",
             "<error message=\"broken\" type=\"KxError in KxThing::doIt\"></error>",
             "<failure message=\"verifyA\" type=\"Error in TestSet::executeW\">"
             "1 KxError Leak(s) detected  after test</failure>",
             "<testcase name=\"Warn\" classname=\"Kinds\" time=\"0.00\">\n"
             "      <system-out>Warning in Warn::executeW\n  close to the limit\n</system-out>",
             "<system-out>ExtWarning in ExtWarning::solve\n  solver slow\n</system-out>",
             "<testcase name=\"Echo(a, 1)\"", "<testcase name=\"Echo(b)\"", "<testcase name=\"Pass() #1\"",
             "<testcase name=\"Pass() #11\"", "<testcase name=\"ReturnFalse\" classname=\"Kinds\" time=\"0.00\"/>",
         })
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    // The run's start comes from the report's name, the host from its Global record.
    const std::regex suite("<testsuite name=\"Kinds\" tests=\"11\" failures=\"3\" errors=\"2\" skipped=\"0\" "
                           "time=\"[0-9]+\\.[0-9]{2}\" "
                           "timestamp=\"20[0-9]{2}-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:00\" "
                           "hostname=\"([^\"]*)\" id=\"0\">");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(text, found, suite)) << text;
    EXPECT_EQ(found[1], testsupport::hostName());

    // Only the live run knows which bodies returned false: each gets one failure more.
    install.clearResults();
    const e2e::RunResult live = install.run({"--junit", junit, "s.rt"});
    EXPECT_NE(live.out.find("JUnit: " + junit + "\n"), std::string::npos) << live.out;
    EXPECT_NE(readBytes(junit).find("<testcase name=\"ReturnFalse\" classname=\"Kinds\" time=\"0.00\">\n"
                                    "      <failure message=\"test body returned false\""),
              std::string::npos);
    EXPECT_EQ(schemaProblems(junit), "");
#ifndef _WIN32  // the consumer is a Linux program
    EXPECT_EQ(lastLine(consume(junit).output), "total|11|4|2");
#endif
}

TEST(JUnitExport, BytesXmlForbidsAndLatin1TextComeOutAsValidUtf8) {
    testsupport::TempSuite dir;
    testsupport::ExpectedReport text;
    text.openGroup(0).openTest(1).record("Error", "A::b", "caf\xE9\x01", {"bell\x07", "nul"});
    text.closeTest({"x"}, "", "", "T\x1B", {0, 1}).closeGroup("", "G\xE9", {0, 1});
    const std::string report = dir.results() + "r.xml", junit = dir.results() + "j.xml";
    testsupport::writeBytes(report, text.finish("M\x02", "P", "V"));
    ASSERT_TRUE(rtrun::writeJUnit(report, junit).written);
    EXPECT_EQ(schemaProblems(junit), "");
    const std::string out = readBytes(junit);
    EXPECT_NE(out.find("<failure message=\"caf\xC3\xA9\xE2\x90\x81\""), std::string::npos) << out;
    EXPECT_NE(out.find(">bell\xE2\x90\x87\nnul</failure>"), std::string::npos) << out;
    EXPECT_NE(out.find("<testcase name=\"T\xE2\x90\x9B\" classname=\"G\xC3\xA9\""), std::string::npos) << out;
    EXPECT_NE(out.find("hostname=\"M\xE2\x90\x82\""), std::string::npos) << out;
}

TEST(JUnitExport, BadInputGetsOneLineAndExitTwoAndLosesNothing) {
    Installation install;
    install.writeScript("s.rt", "<Group><Name>G</Name></Group>");
    const std::string report = install.results() + "r.xml";
    testsupport::writeBytes(report, testsupport::ExpectedReport().finish("M", "P", "V"));
    const std::string junit = install.root() + "junit.xml";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {"missing report", {"--junit-from", install.root() + "none.xml", junit}, "none.xml: No such file"},
        {"a directory", {"--junit-from", install.root(), junit}, "is a directory"},
        {"not a report", {"--junit-from", install.config() + "s.rt", junit}, "s.rt: not a report"},
        {"output in a missing directory", {"--junit-from", report, install.root() + "no/j.xml"}, "cannot be written"},
        {"output is a directory", {"--junit-from", report, install.root()}, "cannot be written"},
        {"output is the report", {"--junit-from", report, report}, "is the report itself"},
        {"no output named", {"--junit-from", report}, "takes a report and one output file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult result = install.run(c.args, {}, false);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind("rtrun: ", 0), 0u) << result.err;
        // A usage error adds the usual pointer to --help.
        EXPECT_EQ(testsupport::occurrences(result.err, "\n"), c.args.size() == 2 ? 2 : 1) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_FALSE(testsupport::exists(junit));
    }
    EXPECT_EQ(readBytes(report), testsupport::ExpectedReport().finish("M", "P", "V"));
}

} // namespace
