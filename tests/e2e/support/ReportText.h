#pragma once
// The text a run's report is expected to hold, built element by element in
// the report's own layout (two blanks per level, "\r\n" line ends, times
// masked as "T.TT Seconds").
#include <string>
#include <vector>

namespace e2e {

struct Counts {
    int kx = 0, e = 0, w = 0, ee = 0, ew = 0;
};

class ExpectedReport {
public:
    ExpectedReport();

    ExpectedReport& openGroup(int id);
    ExpectedReport& closeGroup(const std::string& desc, const std::string& title, Counts counts);
    ExpectedReport& openTest(int id);
    // A message record with one Msg line; texts are given as they appear in the file.
    ExpectedReport& record(const std::string& type, const std::string& method, const std::string& desc,
                           const std::string& msg);
    ExpectedReport& kxError(const std::string& method, const std::string& desc);
    ExpectedReport& closeTest(const std::vector<std::string>& args, const std::string& ext, const std::string& desc,
                              const std::string& title, Counts counts);
    // The text so far, as a report cut off here holds it.
    const std::string& text() const { return m_text; }
    // The Global element (run time masked) and the end of the report.
    std::string finish(const std::string& machine, const std::string& platform, const std::string& version);

private:
    void line(const std::string& text);
    void values(const std::string& desc, const std::string& title, Counts counts);

    std::string m_text;
    int m_depth = 1;
};

// The host name, as the report's Machine element shows it.
std::string hostName();

} // namespace e2e
