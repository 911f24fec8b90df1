#pragma once
// In-process runs of scripts: a driver whose scanner can be called directly,
// factories made by hand, and a record of every error raised through the
// core library's error state (core errors included, which never reach the
// report).
#include "Installation.h"
#include <Rt/Rt.h>
#include <string>
#include <vector>

namespace e2e {

struct Raised {
    std::string className;
    std::string method;
    int code = 0;
    std::string text; // first line of the message's text list

    bool operator==(const Raised& other) const {
        return className == other.className && method == other.method && code == other.code && text == other.text;
    }
};
std::ostream& operator<<(std::ostream& out, const Raised& raised);

// Puts a recording callback in front of the one installed by the last
// driver constructed; every raised error is recorded and then passed on.
void recordRaisedErrors();
std::vector<Raised>& raisedErrors();
// The raised errors of one code.
std::vector<Raised> raisedWithCode(int code);

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

// Opens the scanner and the reader to the tests.
class ScanDriver : public Rt::TestDriver {
public:
    using Rt::TestDriver::executeI;
    using Rt::TestDriver::readFile;
    using Rt::TestDriver::TestDriver;
};

// What scanning one script text left behind.
struct ScanOutcome {
    bool result = false;
    std::vector<Raised> raised;
    std::vector<std::string> ran;
    std::string report; // the closed report
};

// Scans `script` with one probe factory that knows A, B and C, in a fresh
// driver on the current suite; the driver is destroyed before the report is read.
ScanOutcome scanScript(const std::string& script);

// The report of the current suite's Results/ directory.
std::string readReport(const std::string& resultsDir);
// Values of the report's groups in order: lines at group depth with that element.
std::vector<std::string> groupValues(const std::string& report, const std::string& element);

} // namespace e2e
