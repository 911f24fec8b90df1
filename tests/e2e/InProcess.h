#pragma once
// In-process runs of scripts: a driver whose scanner can be called directly,
// factories made by hand, and a record of every error raised through the
// core library's error state (core errors included, which never reach the
// report).
#include <Rt/Rt.h>
#include <string>
#include <vector>

namespace e2e {

// A raised error as "<class>::<method> <code> <first line of the text list>".
using Raised = std::string;

// Puts a recording callback in front of the one installed by the last
// driver constructed; every raised error is recorded and then passed on.
void recordRaisedErrors();
std::vector<Raised>& raisedErrors();

// What the probe tests did, in order: "<factory>:<title>[arg,arg]{ext}".
std::vector<std::string>& probeLog();

// A factory that knows the given names and creates a passing probe test
// for each; it counts how often it is asked for a test.
class ProbeFactory : public Rt::TestSetFactory {
public:
    ProbeFactory(const char* name, std::vector<std::string> known);
    Rt::TestSet* createTestSet(const KxString& name) override;
    const char* name() const override { return m_name; }
    int asked() const { return m_asked; }

private:
    const char* m_name;
    std::vector<std::string> m_known;
    int m_asked = 0;
};

// Opens the scanner to the tests.
class ScanDriver : public Rt::TestDriver {
public:
    using Rt::TestDriver::executeI;
    using Rt::TestDriver::TestDriver;
};

// What scanning one script text left behind.
struct ScanOutcome {
    bool result = false;
    std::vector<Raised> raised;
    std::string report; // the closed report
};

// Scans `script` with one probe factory that knows A, B and C, in a fresh
// driver on the current suite; the driver is destroyed before the report is read.
ScanOutcome scanScript(const std::string& script);

// The report in a Results/ directory; empty when there is none.
std::string readReport(const std::string& resultsDir);
// The groups of a report in order, each as "Title/Desc[test titles]", separated by blanks.
std::string outline(const std::string& report);

} // namespace e2e
