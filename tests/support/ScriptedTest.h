#pragma once
// A test case whose body is given by the check that runs it.
#include "support/RaisedErrors.h"
#include <Rt/Rt.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace testsupport {

class ScriptedTest : public Rt::TestSet {
public:
    using Body = std::function<bool(ScriptedTest&)>;

    ScriptedTest(const KxString& title, Body body, const KxString& desc = "Scripted check")
        : m_body(std::move(body)), m_title(title), m_desc(desc) {
        initialize();
    }
    // A factory initialises the tests it creates; the base class would rename it.
    void initialize() override {
        setTitle(m_title);
        setDesc(m_desc);
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
    KxString m_title, m_desc;
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

} // namespace testsupport
