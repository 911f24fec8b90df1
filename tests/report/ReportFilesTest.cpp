// The run's name, its directories, the published page and style files.
#include "ReportText.h"
#include "env/GlobalStorage.h"
#include <gtest/gtest.h>

namespace {

using testsupport::exists;
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

const std::string kPage =
    "<html><head><link href=\"STYLE_LOCATION/style.css\"></head>\n"
    "<body><a href=\"XML_LOCATION\">XML_LOCATION</a> STYLE_LOCATION</body></html>\n";
const std::string kStyle = "body { color: black; }\n\xe9\xff\n";

TEST(ReportFiles, RunNamePathsPageAndOneStyleFile) {
    testsupport::TempSuite suite("WIN64");
    writeBytes(suite.scripts() + "default.htm", kPage);
    writeBytes(suite.scripts() + "style.css", kStyle);
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
        EXPECT_EQ(readBytes(reportPath), reporttest::kHeader);

        EXPECT_EQ(readBytes(R + "120426WIN641530.htm"),
                  "<html><head><link href=\"Style/style.css\"></head>\n"
                  "<body><a href=\"120426WIN641530.xml\">120426WIN641530.xml</a> Style</body></html>\n");
        EXPECT_EQ(listing(R + "Style"), "style.css");
        EXPECT_EQ(readBytes(R + "/Style/style.css"), kStyle);
        EXPECT_EQ(listing(R), "120426WIN641530.htm 120426WIN641530.xml Style WIN64");
    }
    // A run without errors: the report is closed and no e-mail summary appears.
    EXPECT_EQ(readBytes(reportPath), reporttest::kHeader + "</KxRegTester>\r\n");
    EXPECT_EQ(listing(R + "WIN64"), "");
    EXPECT_EQ(testsupport::xmlProblems(reportPath), "");
}

TEST(ReportFiles, ReportDirectoryIsCreatedOneLevelDeep) {
    testsupport::TempSuite suite("LNX");
    setStamp(1, 2, 2003, 4, 5);
    const std::string dir = suite.base() + "Fresh/";
    ASSERT_FALSE(exists(dir));
    Rt::TestReporter reporter("outTest", dir.c_str(), true);
    EXPECT_TRUE(exists(dir + "Style"));
    EXPECT_TRUE(exists(dir + "LNX"));
    EXPECT_EQ(readBytes(dir + "/010203LNX0405.xml"), reporttest::kHeader);
}

TEST(ReportFiles, TimeAndYearAreTwoDigitsWithLeadingZero) {
    testsupport::TempSuite suite("P");
    setStamp(3, 7, 2000, 9, 5);
    {
        Rt::TestReporter reporter;
        EXPECT_EQ(reporter.runName().toStdString(), "030700P0905");
        EXPECT_EQ(reporter.timeText().toStdString(), "0905");
        EXPECT_EQ(reporter.dateText().toStdString(), "March 07, 2000");
    }
    setStamp(11, 30, 2009, 0, 0);
    Rt::TestReporter reporter;
    EXPECT_EQ(reporter.runName().toStdString(), "113009P0000");
    EXPECT_EQ(reporter.dateText().toStdString(), "November 30, 2009");
}

TEST(ReportFiles, DateAndTimeTexts) {
    testsupport::TempSuite suite;
    Rt::TestReporter reporter;
    reporter.setDate(2, 29, 2024);
    EXPECT_EQ(reporter.dateText().toStdString(), "Febuary 29, 2024");
    reporter.setDate(13, 1, 2024);
    EXPECT_EQ(reporter.dateText().toStdString(), "Unknown 01, 2024");
    reporter.setDate(0, 9, 24);
    EXPECT_EQ(reporter.dateText().toStdString(), "Unknown 09, 0024");
    reporter.setDate(9, 15, 1999);
    EXPECT_EQ(reporter.dateText().toStdString(), "September 15, 1999");
    reporter.setTime(7, 3);
    EXPECT_EQ(reporter.timeText().toStdString(), "0703");
}

TEST(ReportFiles, MissingTemplatesPublishNothingButTheReportStillOpens) {
    testsupport::TempSuite suite("WIN64");
    setStamp(12, 4, 2026, 15, 30);
    Rt::TestReporter reporter;
    EXPECT_EQ(listing(suite.results()), "120426WIN641530.xml Style WIN64");
    EXPECT_EQ(listing(suite.results() + "Style"), "");
    reporter.writeObject("Still", "written");
    EXPECT_EQ(reporttest::bodyOf(reporter), "  <Still>written</Still>\r\n");
}

TEST(ReportFiles, AllNineStyleFilesAreCopied) {
    testsupport::TempSuite suite;
    const char* names[] = {"style.css", "scripts.js", "detail.xsl", "menu.xsl", "top.xsl",
                           "detail.htm", "menu.htm", "top.htm", "title.htm"};
    for (const char* name : names) writeBytes(suite.scripts() + name, std::string("content of ") + name);
    writeBytes(suite.scripts() + "other.css", "not a style file");
    Rt::TestReporter reporter;
    EXPECT_EQ(listing(suite.results() + "Style"),
              "detail.htm detail.xsl menu.htm menu.xsl scripts.js style.css title.htm top.htm top.xsl");
    for (const char* name : names)
        EXPECT_EQ(readBytes(suite.results() + "Style/" + name), std::string("content of ") + name);
}

} // namespace
