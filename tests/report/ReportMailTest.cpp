// Closing a report builds its e-mail summary without reading the report
// back when the writer knows nothing in it would be listed: the summary (or
// its absence) must be exactly what the analysis of the closed report gives.
#include "analysis/Analysis.h"
#include "env/GlobalStorage.h"
#include "report/TestReporter.h"
#include "support/Messages.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>

namespace {

using testsupport::exists;
using testsupport::readBytes;

void summary(Rt::TestReporter& report, int errors) {
    report.openObj(KxString("Summary"));
    for (const char* count : {"KxErrors", "Errors", "Warnings", "ExtErrors", "ExtWarnings"})
        report.writeCount(count, KxString(count) == "Errors" ? errors : 0);
    report.closeObj(KxString("Summary"));
}

// Writes a report from steps: G opens a group, T a test; t and e are whole
// tests with no error and with two; b is a test without a summary; s and E
// close the innermost element after a summary with no error and with two,
// c closes it without one; n writes counts named by test code, and x an
// element whose name holds tags of counts.
void write(Rt::TestReporter& r, const std::string& steps) {
    const KxString countTags("x><KxErrors>0</KxErrors><Errors>0</Errors><Warnings>0</Warnings><ExtErrors>1</ExtErrors");
    for (const char step : steps) {
        switch (step) {
            case 'G': r.openObj(testsupport::message({"Group"}).get()); break;
            case 'T': r.openObj(testsupport::message({"Test"}).get()); break;
            case 't': write(r, "Ts"); break;
            case 'e': write(r, "TE"); break;
            case 'b': write(r, "Tc"); break;
            case 's': summary(r, 0); r.closeInnermost(); break;
            case 'E': summary(r, 2); r.closeInnermost(); break;
            case 'c': r.closeInnermost(); break;
            case 'n':
                for (const char* count : {"KxErrors", "Errors", "Warnings"}) r.writeObject(count, "0");
                r.writeObject("ExtErrors", "1");
                break;
            case 'x': r.openObj(countTags); r.closeObj(KxString("x")); break;
        }
    }
}

TEST(ReportMail, TheSummaryIsWhatTheAnalysisOfTheClosedReportGives) {
    const struct {
        const char* steps;
        bool mailed;
    } cases[] = {
        {"Gtts", false},  // every count zero
        {"GteE", true},   // an error in a test
        {"Gbc", true},    // a test closed before any summary
        {"Gt", false},    // a group left open: closing reads it back, and finds nothing to list
        {"GTnss", true},  // test code naming elements as counts
        {"GTxss", true},  // a name that forms tags
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        testsupport::TempSuite suite("LNXMAIL");
        std::string report, mail, date, time, page;
        {
            Rt::TestReporter reporter;
            report = reporter.reportPath().toStdString();
            mail = reporter.emailPath().toStdString();
            date = reporter.dateText().toStdString();
            time = reporter.timeText().toStdString();
            page = reporter.runName().toStdString() + ".htm";
            write(reporter, c.steps);
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
