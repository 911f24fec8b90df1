#pragma once
// Builds the exact lines a test element of the report should hold, and reads
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

inline std::string summary(const Counts& c) {
    auto value = [](const char* name, int n) {
        return line("      ", std::string("<") + name + ">" + std::to_string(n) + "</" + name + ">");
    };
    return line("    ", "<Summary>") + value("KxErrors", c.kxErrors) + value("Errors", c.errors) +
           value("Warnings", c.warnings) + value("ExtErrors", c.extErrors) +
           value("ExtWarnings", c.extWarnings) + line("    ", "</Summary>");
}

inline std::string testElement(const std::string& id, const std::string& content, const Counts& counts) {
    return line("  ", "<Test id=\"" + id + "\">") + content + summary(counts) + line("  ", "</Test>");
}

// The n-th Test element opened at the root (0-based), empty when there is none.
inline std::string nthTestElement(const std::string& report, int n) {
    std::size_t from = 0;
    for (int i = 0;; ++i) {
        const std::size_t start = report.find("  <Test id=", from);
        if (start == std::string::npos) return std::string();
        const std::string close = "  </Test>\r\n";
        const std::size_t end = report.find(close, start);
        if (end == std::string::npos) return std::string();
        if (i == n) return report.substr(start, end + close.size() - start);
        from = end + close.size();
    }
}

inline int occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

} // namespace testsettest
