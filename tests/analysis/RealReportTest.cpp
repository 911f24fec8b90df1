// The e-mail summary of reports the framework itself wrote, whole and cut
// off at every byte.
#include "AnalysisTemplates.h"
#include "Installation.h"
#include "support/TempSuite.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace analysis;

namespace {

void raise(const Rt::TestSet& test, KxErrorCode code, const char* line) {
    Kx::SharedPtr<Rt::Msg> message(new Rt::Msg(test.getTitle(), "executeW", "", "", code));
    message->textList.append(line);
    KxErrorState::setError(message.get());
}

// A test whose body raises the errors its title names.
class Scripted : public Rt::TestSet {
public:
    explicit Scripted(const KxString& title) : m_name(title) {}
    void initialize() override { setTitle(m_name); }
    bool executeW() override {
        const std::string title = m_name.toStdString();
        if (title.find("Fail") != std::string::npos) reportStateE("a < b", "check", "executeW", "");
        if (title.find("Ext") != std::string::npos) raise(*this, -17, "solver & co");
        if (title.find("Warn") != std::string::npos) raise(*this, -16, "close");
        return true;
    }

private:
    KxString m_name;
};

class ScriptedFactory : public Rt::TestSetFactory {
public:
    Rt::TestSet* createTestSet(const KxString& name) override { return new Scripted(name); }
    const char* name() const override { return "Scripted"; }
};

const char* kMonths[] = {"January", "Febuary", "March",     "April",   "May",      "June",
                         "July",    "August",  "September", "October", "November", "December"};

class AnalysisRealReport : public ::testing::Test {
protected:
    void SetUp() override { writeTemplates(suite.scripts()); }

    // Runs one script in-process; the driver is gone, so the report is closed and analysed.
    void run(const std::string& script) {
        testsupport::writeBytes(suite.config() + "s.rt", script);
        int argc = 2;
        char program[] = "rtrun";
        char name[] = "s.rt";
        char* argv[] = {program, name, nullptr};
        Kx::SharedPtrVec<Rt::TestSetFactory> factories;
        factories.append(Kx::SharedPtr<Rt::TestSetFactory>(new ScriptedFactory));
        Rt::TestDriver driver(argc, argv);
        driver.setFactories(factories);
        driver.execute();
    }
    std::string reportPath() { return testsupport::onlyFileEndingIn(suite.results(), ".xml"); }
    std::string mailPath() { return testsupport::onlyFileEndingIn(suite.results() + "LNXTEST/", ".email"); }

    // The open line for the run named in the report's file name (MMDDYY + platform + HHMM).
    std::string openLineOfRun() {
        const std::string run = reportPath().substr(suite.results().size());
        const int month = std::stoi(run.substr(0, 2));
        const std::string date = std::string(kMonths[month - 1]) + " " + run.substr(2, 2) + ", 20" + run.substr(4, 2);
        const std::string time = run.substr(6 + std::string("LNXTEST").size(), 4);
        char host[256] = {};
        ::gethostname(host, sizeof(host) - 1);
        return openLine("LNXTEST", host, date, time);
    }

    testsupport::TempSuite suite;
};

const char* kFailingScript =
    "<Group><Name>Clean</Name><Test><Title>Pass</Title></Test><Test><Title>Warn</Title></Test></Group>"
    "<Group><Name>Broken</Name><Test><Title>Pass</Title></Test><Test><Title>Fail</Title></Test>"
    "<Test><Title>Ext</Title></Test><Test><Title>FailExtWarn</Title></Test></Group>"
    "<Group><Name>AlsoClean</Name><Test><Title>Pass</Title></Test></Group>"
    "<Group><Name>Again</Name><Test><Title>FailAgain</Title></Test></Group>";

TEST_F(AnalysisRealReport, CleanRunLeavesNoMail) {
    run("<Group><Name>G</Name><Test><Title>Pass</Title></Test><Test><Title>Warn</Title></Test></Group>");
    ASSERT_NE(reportPath(), "");
    EXPECT_EQ(testsupport::listing(suite.results() + "LNXTEST"), "");
}

TEST_F(AnalysisRealReport, FailingRunLeavesTheExactMail) {
    run(kFailingScript);
    ASSERT_NE(reportPath(), "");
    ASSERT_NE(mailPath(), "");
    const std::string run = reportPath().substr(suite.results().size());
    const std::string runName = run.substr(0, run.size() - 4);
    EXPECT_EQ(e2e::fileNameOf(mailPath()), runName + ".email");
    EXPECT_EQ(testsupport::readBytes(mailPath()),
              "HEAD\n" + openLineOfRun() + groupLine("Broken") + failedLine("Fail", "( 0 / 1 / 0 / 0 / 0 )") +
                  externalLine("Ext", "( 0 / 0 / 0 / 1 / 0 )") + externalLine("FailExtWarn", "( 0 / 1 / 1 / 1 / 0 )") +
                  groupLine("Again") + failedLine("FailAgain", "( 0 / 1 / 0 / 0 / 0 )") + closeLine(runName + ".htm"));
}

TEST_F(AnalysisRealReport, ReportCutOffAnywhereIsAnalysedWithoutHarm) {
    run(kFailingScript);
    const std::string full = testsupport::readBytes(reportPath());
    ASSERT_FALSE(full.empty());
    const std::string cut = suite.results() + "cut.xml";
    const std::string out = suite.results() + "cut.email";
    auto analyse = [&](std::size_t length) {
        testsupport::writeBytes(cut, full.substr(0, length));
        std::remove(out.c_str());
        Rt::Analysis analysis;
        analysis.formatOpen("P", "M", "D", "T");
        analysis.formatClose("L");
        EXPECT_TRUE(analysis.executeI(cut.c_str(), out.c_str()));
        return testsupport::exists(out) ? testsupport::readBytes(out) : std::string("<none>");
    };
    const std::string whole = analyse(full.size());
    ASSERT_NE(whole, "<none>");
    const std::string head = "HEAD\n" + openLine("P", "M", "D", "T");
    const std::string close = closeLine("L");
    // "Broken" is the second group: before its closing tag is complete nothing can be reported.
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
            EXPECT_EQ(mail.substr(mail.size() - close.size()), close) << length;
            EXPECT_NE(mail.find(groupLine("Broken")), std::string::npos) << length;
        }
    }
}

TEST_F(AnalysisRealReport, ReportWithGarbageAndUnbalancedTagsDoesNotCrash) {
    const std::string in = suite.results() + "odd.xml";
    const std::string out = suite.results() + "odd.email";
    const char* texts[] = {
        "<Group",
        "</Group",
        "<Group</Group",
        "<Group><Test></Group>",
        "<Group><Test></Test></Group>",
        "<Group><Title>T</Title><Errors>1</Errors></Group>",
        "<Group><Errors>1</Errors></Group>",
        "<Group><Test><Title>a</Title><Errors>x</Errors></Test><Title>G</Title><Errors>1</Errors></Group><Group>",
        "<Test><Errors>1</Errors></Test>",
        "<Group><Title></Title><Title></Group>",
        "<Group><Test><Test></Test></Test></Group></Group></Group>",
    };
    for (const char* text : texts) {
        testsupport::writeBytes(in, text);
        std::remove(out.c_str());
        Rt::Analysis analysis;
        EXPECT_TRUE(analysis.executeI(in.c_str(), out.c_str())) << text;
        if (testsupport::exists(out)) {
            EXPECT_EQ(testsupport::readBytes(out).substr(0, 5), "HEAD\n") << text;
        }
    }
}

} // namespace
