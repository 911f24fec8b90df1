// The e-mail summary of a report the framework itself wrote: whole, under
// other templates, and cut off at every byte.
#include "AnalysisTemplates.h"
#include "env/GlobalStorage.h"
#include "support/ScriptedTest.h"
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace analysis;
using namespace testsupport;

namespace {

// Creates a test for any title, whose body raises the errors its title names.
class ScriptedFactory : public Rt::TestSetFactory {
public:
    Rt::TestSet* createTestSet(const KxString& name) override {
        return new ScriptedTest(name, [](ScriptedTest& self) {
            const std::string title = self.getTitle().toStdString();
            if (title.find("Fail") != std::string::npos) self.reportStateE("a < b", "check", "executeW", "");
            if (title.find("Ext") != std::string::npos) raise(self, -17, "solver & co");
            if (title.find("Warn") != std::string::npos) raise(self, -16, "close");
            return true;
        });
    }
    const char* name() const override { return "Scripted"; }

private:
    static void raise(const Rt::TestSet& test, KxErrorCode code, const char* line) {
        Kx::SharedPtr<Rt::Msg> message(new Rt::Msg(test.getTitle(), "executeW", "", "", code));
        message->textList.append(line);
        KxErrorState::setError(message.get());
    }
};

TEST(AnalysisRealReport, FailingRunLeavesTheExactMailAndItsReportCutOffAnywhereDoesNoHarm) {
    TempSuite suite;
    writeTemplates(suite.scripts());
    Rt::month(12);
    Rt::day(4);
    Rt::year(2026);
    Rt::hour(15);
    Rt::min(30);
    writeBytes(suite.config() + "s.rt",
               "<Group><Name>Clean</Name><Test><Title>Pass</Title></Test><Test><Title>Warn</Title></Test></Group>"
               "<Group><Name>Broken</Name><Test><Title>Pass</Title></Test><Test><Title>Fail</Title></Test>"
               "<Test><Title>Warn</Title></Test><Test><Title>Ext</Title></Test>"
               "<Test><Title>FailExtWarn</Title></Test></Group>"
               "<Group><Name>AlsoClean</Name><Test><Title>Pass</Title></Test></Group>"
               "<Group><Name>Again</Name><Test><Title>FailAgain</Title></Test></Group>");
    {
        int argc = 2;
        char program[] = "rtrun", name[] = "s.rt";
        char* argv[] = {program, name, nullptr};
        Kx::SharedPtrVec<Rt::TestSetFactory> factories;
        factories.append(Kx::SharedPtr<Rt::TestSetFactory>(new ScriptedFactory));
        Rt::TestDriver driver(argc, argv);
        driver.setFactories(factories);
        testing::internal::CaptureStdout();
        driver.execute();
        testing::internal::GetCapturedStdout();
    }  // the driver is gone: the report is closed and analysed
    const std::string lines = groupLine("Broken") + failedLine("Fail", "( 0 / 1 / 0 / 0 / 0 )") +
                              externalLine("Ext", "( 0 / 0 / 0 / 1 / 0 )") +
                              externalLine("FailExtWarn", "( 0 / 1 / 1 / 1 / 0 )") + groupLine("Again") +
                              failedLine("FailAgain", "( 0 / 1 / 0 / 0 / 0 )");
    EXPECT_EQ(listing(suite.results() + "LNXTEST"), "120426LNXTEST1530.email");
    EXPECT_EQ(readBytes(suite.results() + "LNXTEST/120426LNXTEST1530.email"),
              "HEAD\n" + openLine("LNXTEST", hostName(), "December 04, 2026", "1530") + lines +
                  closeLine("120426LNXTEST1530.htm"));

    const std::string full = readBytes(suite.results() + "/120426LNXTEST1530.xml");
    const std::string cut = suite.results() + "cut.xml";
    const std::string out = suite.results() + "cut.email";
    auto analyse = [&](std::size_t length) {
        std::remove(cut.c_str());
        std::remove(out.c_str());
        if (length != std::string::npos) writeBytes(cut, full.substr(0, length));  // npos: no report at all
        Rt::Analysis analysis;
        analysis.formatOpen("P", "M", "D", "T");
        analysis.formatClose("L");
        EXPECT_TRUE(analysis.executeI(cut.c_str(), out.c_str()));
        return exists(out) ? readBytes(out) : std::string("<none>");
    };
    const std::string head = "HEAD\n" + openLine("P", "M", "D", "T");
    const std::string whole = head + lines + closeLine("L");
    ASSERT_EQ(analyse(full.size()), whole);

    // The debug head only for exactly "TRUE"; a close template without its placeholder stays as it is.
    for (const char* value : {"true", "TRUE ", ""}) {
        ::setenv("DEBUG", value, 1);
        EXPECT_EQ(analyse(full.size()), whole) << value;
    }
    ::setenv("DEBUG", "TRUE", 1);
    writeBytes(suite.scripts() + "close.em", "CLOSE OBJ_LINK REPORT\n");
    EXPECT_EQ(analyse(full.size()), "HEAD_D\n" + openLine("P", "M", "D", "T") + lines + "CLOSE OBJ_LINK REPORT\n");
    ::unsetenv("DEBUG");
    // Missing templates give empty fragments.
    for (const char* name : {"head.em", "open.em", "close.em"}) std::remove((suite.scripts() + name).c_str());
    EXPECT_EQ(analyse(full.size()), lines);
    writeTemplates(suite.scripts());

    // "Broken" is the second group: before its closing tag is complete the report
    // holds only clean groups, and nothing is written.
    const std::size_t secondClose = full.find("</Group", full.find("</Group") + 1);
    const std::size_t lastClose = full.rfind("</Group");
    for (std::size_t length = 0; length <= full.size(); ++length) {
        const std::string mail = analyse(length);
        if (length < secondClose + 7) {
            EXPECT_EQ(mail, "<none>") << length;
        } else if (length >= lastClose + 7) {
            EXPECT_EQ(mail, whole) << length;
        } else {
            ASSERT_NE(mail, "<none>") << length;
            EXPECT_EQ(mail.substr(0, head.size()), head) << length;
            EXPECT_EQ(mail.substr(mail.size() - closeLine("L").size()), closeLine("L")) << length;
            EXPECT_NE(mail.find(groupLine("Broken")), std::string::npos) << length;
        }
    }
    EXPECT_EQ(analyse(std::string::npos), "<none>");
}

} // namespace
