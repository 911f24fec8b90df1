#pragma once
// The text a report is expected to hold, built element by element in the
// report's own layout: two blanks per level, "\r\n" line ends, times masked
// as "T.TT Seconds" (compare with maskTimes applied to the file).
#include "corelib/KxBuildInfo.h"
#include "env/Platform.h"
#include <string>
#include <unistd.h>
#include <vector>

namespace testsupport {

inline const std::string kReportHeader = "<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n";

// What follows the two opening lines; a text without them yields a marker
// that no expectation matches.
inline std::string reportBody(const std::string& bytes) {
    if (bytes.compare(0, kReportHeader.size(), kReportHeader) != 0) return "<missing header>" + bytes;
    return bytes.substr(kReportHeader.size());
}

// The five counts in the order the Summary element lists them.
struct Counts {
    int kx = 0, e = 0, w = 0, ee = 0, ew = 0;
};

class ExpectedReport {
public:
    // `depth` is the level of the first line: 1 for a whole report, whose
    // text then starts with the header; deeper for a fragment.
    explicit ExpectedReport(int depth = 1) : m_depth(depth) {
        if (depth == 1) m_text = kReportHeader;
    }

    ExpectedReport& line(const std::string& text) {
        m_text += std::string(2 * m_depth, ' ') + text + "\r\n";
        return *this;
    }
    ExpectedReport& value(const std::string& name, const std::string& text) {
        return line("<" + name + ">" + text + "</" + name + ">");
    }
    // An element; with an id it shows ten digits, as elements opened from messages do.
    ExpectedReport& open(const std::string& name, int id = -1) {
        line("<" + name + (id < 0 ? std::string() : " id=\"" + tenDigits(id) + "\"") + ">");
        ++m_depth;
        return *this;
    }
    ExpectedReport& close(const std::string& name) {
        --m_depth;
        return line("</" + name + ">");
    }
    ExpectedReport& openGroup(int id) { return open("Group", id); }
    ExpectedReport& openTest(int id) { return open("Test", id); }

    // A message record (Error, Warning, ExtError, ExtWarning) with one Msg line per text.
    ExpectedReport& record(const std::string& type, const std::string& method, const std::string& desc,
                           const std::vector<std::string>& msgs = {}) {
        open(type).value("Method", method).value("Desc", desc);
        for (const std::string& msg : msgs) value("Msg", msg);
        return close(type);
    }
    ExpectedReport& kxError(const std::string& method, const std::string& desc) {
        return open("KxError").value("Method", method).value("Desc", desc).close("KxError");
    }
    ExpectedReport& summary(Counts c) {
        return open("Summary")
            .value("KxErrors", std::to_string(c.kx))
            .value("Errors", std::to_string(c.e))
            .value("Warnings", std::to_string(c.w))
            .value("ExtErrors", std::to_string(c.ee))
            .value("ExtWarnings", std::to_string(c.ew))
            .close("Summary");
    }
    ExpectedReport& closeTest(const std::vector<std::string>& args, const std::string& ext, const std::string& desc,
                              const std::string& title, Counts counts) {
        for (const std::string& arg : args) value("Arg", arg);
        value("Ext", ext);
        return values(desc, title, counts).close("Test");
    }
    ExpectedReport& closeGroup(const std::string& desc, const std::string& title, Counts counts) {
        return values(desc, title, counts).close("Group");
    }

    // The text so far, as a report cut off here holds it.
    const std::string& text() const { return m_text; }
    // The text without the two opening lines.
    std::string body() const { return m_text.substr(m_text.rfind(kReportHeader, 0) == 0 ? kReportHeader.size() : 0); }
    // The Global element (run time masked) and the end of the report.
    std::string finish(const std::string& machine, const std::string& platform, const std::string& version) {
        open("Global").value("Machine", machine).value("Platform", platform);
        value("RunTime", "T.TT Seconds").value("Version", version).close("Global");
        return m_text + "</KxRegTester>\r\n";
    }

private:
    static std::string tenDigits(int id) {
        std::string digits = std::to_string(id);
        return std::string(10 - digits.size(), '0') + digits;
    }
    ExpectedReport& values(const std::string& desc, const std::string& title, Counts counts) {
        value("Time", "T.TT Seconds").value("Desc", desc).value("Title", title);
        return summary(counts);
    }

    std::string m_text;
    int m_depth;
};

// How often `part` occurs in `text`.
inline int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// The core library's version, as the Global element and the e-mail show it.
inline std::string coreVersion() { return KxVersion::whatString + 4; }

// The host name, as the report's Machine element shows it.
inline std::string hostName() {
    char name[256] = {};
#if defined(_WIN32)
    // The socket library is the framework's to start when it first asks
    // (the platform layer's tests check that): ask through it.
    return Rt::Platform::hostName(name, sizeof(name)) ? name : "Unknown";
#else
    if (::gethostname(name, sizeof(name) - 1) != 0) return "Unknown";
    return name;
#endif
}

} // namespace testsupport
