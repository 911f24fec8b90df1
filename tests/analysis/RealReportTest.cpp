// The e-mail summary of a report the framework itself wrote, whole and cut
// off at every byte.
#include "AnalysisTemplates.h"
#include "env/GlobalStorage.h"
#include "support/TempSuite.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <gtest/gtest.h>

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

class AnalysisRealReport : public ::testing::Test {
protected:
    void SetUp() override {
        writeTemplates(suite.scripts());
        Rt::month(12);
        Rt::day(4);
        Rt::year(2026);
        Rt::hour(15);
        Rt::min(30);
    }

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

    testsupport::TempSuite suite;
};

const char* kFailingScript =
    "<Group><Name>Clean</Name><Test><Title>Pass</Title></Test><Test><Title>Warn</Title></Test></Group>"
    "<Group><Name>Broken</Name><Test><Title>Pass</Title></Test><Test><Title>Fail</Title></Test>"
    "<Test><Title>Ext</Title></Test><Test><Title>FailExtWarn</Title></Test></Group>"
    "<Group><Name>AlsoClean</Name><Test><Title>Pass</Title></Test></Group>"
    "<Group><Name>Again</Name><Test><Title>FailAgain</Title></Test></Group>";

TEST_F(AnalysisRealReport, FailingRunLeavesTheExactMailAndItsReportCutOffAnywhereDoesNoHarm) {
    run(kFailingScript);
    EXPECT_EQ(testsupport::listing(suite.results() + "LNXTEST"), "120426LNXTEST1530.email");
    EXPECT_EQ(testsupport::readBytes(suite.results() + "LNXTEST/120426LNXTEST1530.email"),
              "HEAD\n" + openLine("LNXTEST", testsupport::hostName(), "December 04, 2026", "1530") +
                  groupLine("Broken") + failedLine("Fail", "( 0 / 1 / 0 / 0 / 0 )") +
                  externalLine("Ext", "( 0 / 0 / 0 / 1 / 0 )") + externalLine("FailExtWarn", "( 0 / 1 / 1 / 1 / 0 )") +
                  groupLine("Again") + failedLine("FailAgain", "( 0 / 1 / 0 / 0 / 0 )") +
                  closeLine("120426LNXTEST1530.htm"));

    const std::string full = testsupport::readBytes(suite.results() + "/120426LNXTEST1530.xml");
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

} // namespace
