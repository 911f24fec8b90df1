#pragma once
// A real suite with a live results object over a real report, as a run has
// it between the driver's construction and its destruction.
#include "results/GlobalResults.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <string>

namespace testsupport {

class ReportSession {
public:
    explicit ReportSession(const std::string& platform = "LNXTEST") : m_suite(platform), m_platform(platform) {
        Rt::gResults = new Rt::GlobalResults;
        m_path = Rt::gResults->testReporter()->reportPath().toStdString();
    }

    const TempSuite& suite() const { return m_suite; }
    const std::string& path() const { return m_path; }
    Rt::GlobalResults& results() { return *Rt::gResults; }

    // Releases the results object, which ends the report; checks that the
    // report is well-formed XML and returns it with its times masked.
    std::string close() {
        Rt::gResults = nullptr;
        EXPECT_EQ(xmlProblems(m_path), "");
        return maskTimes(readBytes(m_path));
    }
    // The whole report `expected` describes, ended by this machine's Global record.
    std::string whole(ExpectedReport& expected) const {
        return expected.finish(hostName(), m_platform, coreVersion());
    }

private:
    TempSuite m_suite;
    std::string m_platform;
    std::string m_path;
};

} // namespace testsupport
