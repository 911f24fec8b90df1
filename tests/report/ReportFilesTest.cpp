// The run's name, its directories, the published page and style files.
#include "env/GlobalStorage.h"
#include "report/TestReporter.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>

namespace {

using testsupport::exists;
using testsupport::kReportHeader;
using testsupport::listing;
using testsupport::readBytes;
using testsupport::writeBytes;

void setStamp(int month, int day, int year, int hour, int minute) {
    Rt::month(month);
    Rt::day(day);
    Rt::year(year);
    Rt::hour(hour);
    Rt::min(minute);
}

TEST(ReportFiles, RunNamePathsPageAndOneStyleFile) {
    testsupport::TempSuite suite("WIN64");
    const std::string style = "body { color: black; }\n\xe9\xff\n";
    writeBytes(suite.scripts() + "default.htm",
               "<link href=\"STYLE_LOCATION/style.css\">\n<a href=\"XML_LOCATION\">XML_LOCATION</a> STYLE_LOCATION\n");
    writeBytes(suite.scripts() + "style.css", style);
    setStamp(12, 4, 2026, 15, 30);
    const std::string R = suite.results();
    std::string reportPath;
    {
        Rt::TestReporter reporter;
        EXPECT_EQ(reporter.runName().toStdString(), "120426WIN641530");
        EXPECT_EQ(reporter.reportFile().toStdString(), "120426WIN641530.xml");
        EXPECT_EQ(reporter.reportDir().toStdString(), R);
        EXPECT_EQ(reporter.timeText().toStdString(), "1530");
        EXPECT_EQ(reporter.dateText().toStdString(), "December 04, 2026");
        reportPath = reporter.reportPath().toStdString();
        EXPECT_EQ(reportPath, R + "/120426WIN641530.xml");
        EXPECT_EQ(reporter.emailPath().toStdString(), R + "WIN64/120426WIN641530.email");
        EXPECT_EQ(readBytes(reportPath), kReportHeader);
        EXPECT_EQ(readBytes(R + "120426WIN641530.htm"),
                  "<link href=\"Style/style.css\">\n"
                  "<a href=\"120426WIN641530.xml\">120426WIN641530.xml</a> Style\n");
        EXPECT_EQ(listing(R), "120426WIN641530.htm 120426WIN641530.xml Style WIN64");
        EXPECT_EQ(listing(R + "Style"), "style.css");
        EXPECT_EQ(readBytes(R + "/Style/style.css"), style);
    }
    // A run without errors: the report is closed and no e-mail summary appears.
    EXPECT_EQ(readBytes(reportPath), kReportHeader + "</KxRegTester>\r\n");
    EXPECT_EQ(listing(R + "WIN64"), "");
    EXPECT_EQ(testsupport::xmlProblems(reportPath), "");
}

TEST(ReportFiles, StampTexts) {
    testsupport::TempSuite suite("P");
    struct Case {
        int month, day, year, hour, minute;
        const char *runName, *date, *time;
    } cases[] = {
        {3, 7, 2000, 9, 5, "030700P0905", "March 07, 2000", "0905"},
        {11, 30, 2009, 0, 0, "113009P0000", "November 30, 2009", "0000"},
        {2, 29, 2024, 12, 0, "022924P1200", "Febuary 29, 2024", "1200"},
        {13, 1, 2024, 23, 59, "130124P2359", "Unknown 01, 2024", "2359"},
    };
    for (const Case& c : cases) {
        setStamp(c.month, c.day, c.year, c.hour, c.minute);
        Rt::TestReporter reporter;
        EXPECT_EQ(reporter.runName().toStdString(), c.runName);
        EXPECT_EQ(reporter.dateText().toStdString(), c.date) << c.runName;
        EXPECT_EQ(reporter.timeText().toStdString(), c.time) << c.runName;
    }
    // The setters change the texts of an existing reporter.
    Rt::TestReporter reporter;
    reporter.setDate(0, 9, 24);
    reporter.setTime(7, 3);
    EXPECT_EQ(reporter.dateText().toStdString(), "Unknown 09, 0024");
    EXPECT_EQ(reporter.timeText().toStdString(), "0703");
}

TEST(ReportFiles, ReportDirectoryIsCreatedOneLevelDeep) {
    testsupport::TempSuite suite("LNX");
    setStamp(1, 2, 2003, 4, 5);
    const std::string dir = suite.base() + "Fresh/";
    Rt::TestReporter reporter("outTest", dir.c_str(), true);
    EXPECT_TRUE(exists(dir + "Style"));
    EXPECT_TRUE(exists(dir + "LNX"));
    EXPECT_EQ(readBytes(dir + "/010203LNX0405.xml"), kReportHeader);
}

TEST(ReportFiles, AllNineStyleFilesAreCopiedNoPageWithoutItsTemplateAndTheReportEndsOnce) {
    testsupport::TempSuite suite;
    const char* names[] = {"style.css", "scripts.js", "detail.xsl", "menu.xsl", "top.xsl",
                           "detail.htm", "menu.htm", "top.htm", "title.htm"};
    for (const char* name : names) writeBytes(suite.scripts() + name, std::string("content of ") + name);
    writeBytes(suite.scripts() + "other.css", "not a style file");
    std::string path;
    {
        Rt::TestReporter reporter;
        path = reporter.reportPath().toStdString();
        EXPECT_EQ(listing(suite.results() + "Style"),
                  "detail.htm detail.xsl menu.htm menu.xsl scripts.js style.css title.htm top.htm top.xsl");
        for (const char* name : names)
            EXPECT_EQ(readBytes(suite.results() + "Style/" + name), std::string("content of ") + name);
        EXPECT_EQ(testsupport::onlyFileEndingIn(suite.results(), ".htm"), "");
        // Closing ends the report; later writes are lost and destruction does not end it again.
        reporter.writeObject("Still", "written");
        reporter.closeReport();
        reporter.writeObject("After", "2");
        reporter.flush();
    }
    EXPECT_EQ(readBytes(path), kReportHeader + "  <Still>written</Still>\r\n</KxRegTester>\r\n");
}

} // namespace
