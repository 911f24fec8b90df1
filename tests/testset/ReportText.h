#pragma once
// Builds the exact lines a test element of the report holds, and reads
// elements back out of a finished report. Every line ends in "\r\n"; a test
// opened at the root sits two blanks in, its content four.
#include <string>

namespace testsettest {

inline std::string line(const std::string& indent, const std::string& text) { return indent + text + "\r\n"; }

// A message record (Error, Warning, ExtError, ExtWarning) inside a test.
inline std::string record(const std::string& type, const std::string& method, const std::string& desc,
                          const std::string& msg) {
    return line("    ", "<" + type + ">") + line("      ", "<Method>" + method + "</Method>") +
           line("      ", "<Desc>" + desc + "</Desc>") + line("      ", "<Msg>" + msg + "</Msg>") +
           line("    ", "</" + type + ">");
}

// The record of an error of the core library itself.
inline std::string kxErrorRecord(const std::string& method, const std::string& desc) {
    return line("    ", "<KxError>") + line("      ", "<Method>" + method + "</Method>") +
           line("      ", "<Desc>" + desc + "</Desc>") + line("    ", "</KxError>");
}

// Ext, Time (masked), Desc and Title; arguments go before them.
inline std::string values(const std::string& ext, const std::string& desc, const std::string& title) {
    return line("    ", "<Ext>" + ext + "</Ext>") + line("    ", "<Time>T.TT Seconds</Time>") +
           line("    ", "<Desc>" + desc + "</Desc>") + line("    ", "<Title>" + title + "</Title>");
}

struct Counts {
    int kxErrors = 0, errors = 0, warnings = 0, extErrors = 0, extWarnings = 0;
};

// A whole test element: its content, then the summary of its counts.
inline std::string testElement(const std::string& id, const std::string& content, const Counts& c) {
    std::string summary;
    const std::pair<const char*, int> counts[] = {{"KxErrors", c.kxErrors},   {"Errors", c.errors},
                                                  {"Warnings", c.warnings},   {"ExtErrors", c.extErrors},
                                                  {"ExtWarnings", c.extWarnings}};
    for (const auto& [name, n] : counts)
        summary += line("      ", std::string("<") + name + ">" + std::to_string(n) + "</" + name + ">");
    return line("  ", "<Test id=\"" + id + "\">") + content + line("    ", "<Summary>") + summary +
           line("    ", "</Summary>") + line("  ", "</Test>");
}

// The n-th Test element opened at the root (0-based), empty when there is none.
inline std::string nthTestElement(const std::string& report, int n) {
    const std::string open = "\r\n  <Test id=", close = "\r\n  </Test>\r\n";
    std::size_t start = report.find(open);
    for (int i = 0; i < n && start != std::string::npos; ++i) start = report.find(open, start + 1);
    const std::size_t end = start == std::string::npos ? start : report.find(close, start);
    return end == std::string::npos ? std::string() : report.substr(start + 2, end + close.size() - start - 2);
}

} // namespace testsettest
