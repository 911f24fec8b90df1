// Closing a report builds its e-mail summary without reading the report
// back when the writer knows nothing in it would be listed: the summary (or
// its absence) must be exactly what the analysis of the closed report gives.
#include "analysis/Analysis.h"
#include "env/GlobalStorage.h"
#include "report/TestReporter.h"
#include "support/Messages.h"
#include "support/TempSuite.h"
#include <functional>
#include <gtest/gtest.h>

namespace {

using testsupport::exists;
using testsupport::readBytes;

void summary(Rt::TestReporter& report, int errors, int extErrors) {
    report.openObj(KxString("Summary"));
    report.writeCount("KxErrors", 0);
    report.writeCount("Errors", errors);
    report.writeCount("Warnings", 0);
    report.writeCount("ExtErrors", extErrors);
    report.writeCount("ExtWarnings", 0);
    report.closeObj(KxString("Summary"));
}

void test(Rt::TestReporter& report, int errors, bool withSummary = true) {
    report.openObj(testsupport::message({"Test"}).get());
    report.writeObject("Title", "T");
    if (withSummary) summary(report, errors, 0);
    report.closeObj(KxString("Test"));
}

struct Case {
    const char* name;
    bool mailed;
    std::function<void(Rt::TestReporter&)> write;
};

TEST(ReportMail, TheSummaryIsWhatTheAnalysisOfTheClosedReportGives) {
    const Case cases[] = {
        {"every count zero", false,
         [](Rt::TestReporter& r) {
             r.openObj(testsupport::message({"Group"}).get());
             test(r, 0);
             test(r, 0);
             summary(r, 0, 0);
             r.closeObj(KxString("Group"));
         }},
        {"an error in a test", true,
         [](Rt::TestReporter& r) {
             r.openObj(testsupport::message({"Group"}).get());
             test(r, 0);
             test(r, 2);
             summary(r, 2, 0);
             r.closeObj(KxString("Group"));
         }},
        {"a test closed before any summary", true,
         [](Rt::TestReporter& r) {
             r.openObj(testsupport::message({"Group"}).get());
             test(r, 0, false);
             r.closeObj(KxString("Group"));
         }},
        // Closing reads this one back, and finds nothing to list.
        {"a group left open at the close", false,
         [](Rt::TestReporter& r) {
             r.openObj(testsupport::message({"Group"}).get());
             test(r, 0);
         }},
        {"test code naming elements as counts", true,
         [](Rt::TestReporter& r) {
             r.openObj(testsupport::message({"Group"}).get());
             r.openObj(testsupport::message({"Test"}).get());
             for (const char* count : {"KxErrors", "Errors", "Warnings"}) r.writeObject(count, "0");
             r.writeObject("ExtErrors", "1");
             summary(r, 0, 0);
             r.closeObj(KxString("Test"));
             summary(r, 0, 0);
             r.closeObj(KxString("Group"));
         }},
        {"a name that forms tags", true,
         [](Rt::TestReporter& r) {
             r.openObj(testsupport::message({"Group"}).get());
             r.openObj(testsupport::message({"Test"}).get());
             r.openObj(KxString("x><KxErrors>0</KxErrors><Errors>0</Errors><Warnings>0</Warnings><ExtErrors>1</ExtErrors"));
             r.closeObj(KxString("x"));
             summary(r, 0, 0);
             r.closeObj(KxString("Test"));
             summary(r, 0, 0);
             r.closeObj(KxString("Group"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempSuite suite("LNXMAIL");
        std::string report, mail, date, time, page;
        {
            Rt::TestReporter reporter;
            report = reporter.reportPath().toStdString();
            mail = reporter.emailPath().toStdString();
            date = reporter.dateText().toStdString();
            time = reporter.timeText().toStdString();
            page = reporter.runName().toStdString() + ".htm";
            c.write(reporter);
        }
        Rt::Analysis analysis;
        analysis.formatOpen(Rt::platform(), Rt::machine(), date.c_str(), time.c_str());
        analysis.formatClose(page.c_str());
        const std::string reread = suite.results() + "reread.email";
        analysis.executeI(KxString(report.c_str()), KxString(reread.c_str()));
        EXPECT_EQ(exists(reread), c.mailed);
        EXPECT_EQ(exists(mail), exists(reread));
        if (exists(mail) && exists(reread)) {
            EXPECT_EQ(readBytes(mail), readBytes(reread));
        }
    }
}

} // namespace
