#pragma once
// A test case whose body is given by the check that runs it, and a report
// session that runs such tests inside a real suite and hands back the report.
#include "corelib/RaisedErrors.h"
#include "support/TempSuite.h"
#include <Rt/Rt.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace testsettest {

class ScriptedTest : public Rt::TestSet {
public:
    using Body = std::function<bool(ScriptedTest&)>;

    ScriptedTest(const KxString& title, Body body, const KxString& desc) : m_body(std::move(body)) {
        setTitle(title);
        setDesc(desc);
    }
    bool executeW() override {
        ++bodyRuns;
        return m_body(*this);
    }
    // Remembers how many errors the open level had counted when the hook ran,
    // and the error then current, which tell whether it ran before the error it announces.
    bool warningState() override {
        ++warningCalls;
        errorsAtWarning = Rt::gResults ? Rt::gResults->errorSummary(-1).errors() : -1;
        currentAtWarning = describe(KxErrorState::s_pError);
        return Rt::TestSet::warningState();
    }

    int bodyRuns = 0;
    int warningCalls = 0;
    int errorsAtWarning = -2;
    std::string currentAtWarning;

private:
    Body m_body;
};

inline Kx::SharedPtr<ScriptedTest> makeTest(const KxString& title, ScriptedTest::Body body,
                                             const KxString& desc = "Scripted check") {
    return Kx::SharedPtr<ScriptedTest>(new ScriptedTest(title, std::move(body), desc));
}

// Executes the test and returns its verdict; the progress line it printed
// goes to `progress` when asked for.
inline bool run(Rt::TestSet& test, std::string* progress = nullptr) {
    testing::internal::CaptureStdout();
    const bool passed = test.execute();
    const std::string printed = testing::internal::GetCapturedStdout();
    if (progress) *progress = printed;
    return passed;
}

// A suite with a live results object; close() ends the report and reads it.
class ReportSession {
public:
    ReportSession() { Rt::gResults = new Rt::GlobalResults; }
    ~ReportSession() { Rt::gResults = nullptr; }

    std::string close() {
        Rt::gResults = nullptr;
        m_reportPath = testsupport::onlyFileEndingIn(m_suite.results(), ".xml");
        EXPECT_EQ(testsupport::xmlProblems(m_reportPath), "");
        return m_reportPath.empty() ? std::string() : testsupport::readBytes(m_reportPath);
    }

private:
    testsupport::TempSuite m_suite;
    std::string m_reportPath;
};

} // namespace testsettest
