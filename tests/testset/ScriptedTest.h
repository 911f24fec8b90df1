#pragma once
// A test case whose body is given by the check that runs it, and a report
// session that runs such tests inside a real suite and hands back the report.
#include "support/TempSuite.h"
#include <Rt/Rt.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace testsettest {

class ScriptedTest : public Rt::TestSet {
public:
    using Body = std::function<bool(ScriptedTest&)>;

    ScriptedTest(const KxString& title, Body body, const KxString& desc = "Scripted check")
        : m_title(title), m_desc(desc), m_body(std::move(body)) {}

    void initialize() override {
        setTitle(m_title);
        setDesc(m_desc);
        setType(Rt::eTestUnit);
    }
    bool executeW() override {
        ++bodyRuns;
        return m_body(*this);
    }
    // Remembers how many errors the open level had counted when the hook ran,
    // which tells whether it ran before the error it announces.
    bool warningState() override {
        ++warningCalls;
        errorsAtWarning = Rt::gResults ? Rt::gResults->errorSummary(-1).errors() : -1;
        currentErrorAtWarning = KxErrorState::s_pError;
        return Rt::TestSet::warningState();
    }

    int bodyRuns = 0;
    int warningCalls = 0;
    int errorsAtWarning = -2;
    const KxStdError* currentErrorAtWarning = nullptr;

private:
    KxString m_title;
    KxString m_desc;
    Body m_body;
};

inline Kx::SharedPtr<ScriptedTest> makeTest(const KxString& title, ScriptedTest::Body body,
                                             const KxString& desc = "Scripted check") {
    Kx::SharedPtr<ScriptedTest> test(new ScriptedTest(title, std::move(body), desc));
    if (test) test->initialize();
    return test;
}

// A suite with a live results object; close() ends the report and reads it.
class ReportSession {
public:
    ReportSession() { Rt::gResults = new Rt::GlobalResults; }
    ~ReportSession() { Rt::gResults = nullptr; }

    // Executes the test and returns its verdict; the progress line it printed
    // goes to `progress` when asked for.
    bool run(Rt::TestSet& test, std::string* progress = nullptr) {
        testing::internal::CaptureStdout();
        const bool passed = test.execute();
        const std::string printed = testing::internal::GetCapturedStdout();
        if (progress) *progress = printed;
        return passed;
    }

    std::string close() {
        Rt::gResults = nullptr;
        m_reportPath = testsupport::onlyFileEndingIn(m_suite.results(), ".xml");
        return m_reportPath.empty() ? std::string() : testsupport::readBytes(m_reportPath);
    }

    const std::string& reportPath() const { return m_reportPath; }
    const testsupport::TempSuite& suite() const { return m_suite; }

private:
    testsupport::TempSuite m_suite;
    std::string m_reportPath;
};

} // namespace testsettest
