#include "rtrun/JUnitExport.h"
#include "report/reader/ReportReader.h"
#include "rtrun/Options.h"
#include "rtrun/XmlText.h"
#include <sys/stat.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace rtrun {

namespace {

using rtreport::Group;
using rtreport::Record;
using rtreport::RecordKind;
using rtreport::Test;

enum class Shown { kFailure, kError, kOutput };

Shown shownAs(RecordKind kind) {
    switch (kind) {
    case RecordKind::kError: return Shown::kFailure;
    case RecordKind::kExtError:
    case RecordKind::kKxError: return Shown::kError;
    default: return Shown::kOutput;
    }
}

struct SuiteCounts {
    int tests = 0;
    int failures = 0;
    int errors = 0;

    void add(const SuiteCounts& other) {
        tests += other.tests;
        failures += other.failures;
        errors += other.errors;
    }
};

void countRecords(const std::vector<Record>& records, SuiteCounts& counts) {
    for (const Record& record : records) {
        if (shownAs(record.kind) == Shown::kFailure) ++counts.failures;
        else if (shownAs(record.kind) == Shown::kError) ++counts.errors;
    }
}

SuiteCounts countSuite(const Group& group, const std::set<int>& falseReturnIds) {
    SuiteCounts counts;
    for (const Test& test : group.tests) {
        ++counts.tests;
        countRecords(test.records, counts);
        if (falseReturnIds.count(test.id)) ++counts.failures;
        if (test.interrupted) ++counts.errors;
    }
    if (!group.records.empty()) {
        ++counts.tests;
        countRecords(group.records, counts);
    }
    return counts;
}

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value < 0 ? 0.0 : value);
    return text;
}

double suiteSeconds(const Group& group) {
    if (!group.time.empty()) return group.seconds();
    double sum = 0;
    for (const Test& test : group.tests) sum += test.seconds();
    return sum;
}

// An element's title is written when it closes: one the report ends inside has none.
std::string titleOf(const rtreport::Element& element, const char* what) {
    if (!element.title.empty() || !element.interrupted) return element.title;
    return std::string("(") + what + " " + std::to_string(element.id) + ", cut off before its title)";
}

std::string suiteName(const Group& group) {
    return group.outsideGroups ? "(outside any group)" : titleOf(group, "group");
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

// Test titles, with the arguments added where a title repeats in the group,
// and the id added where even that repeats.
std::vector<std::string> caseNames(const Group& group) {
    std::map<std::string, int> uses;
    for (const Test& test : group.tests) ++uses[titleOf(test, "test")];
    std::vector<std::string> names;
    for (const Test& test : group.tests) {
        const std::string title = titleOf(test, "test");
        names.push_back(uses[title] > 1 ? title + "(" + joined(test.args, ", ") + ")" : title);
    }
    std::map<std::string, int> repeats;
    for (const std::string& name : names) ++repeats[name];
    for (std::size_t i = 0; i < names.size(); ++i)
        if (repeats[names[i]] > 1) names[i] += " #" + std::to_string(group.tests[i].id);
    return names;
}

// The run's start: the report's name is month, day, two-digit year, the
// platform, hour and minute; otherwise the file's modification time.
std::string timestampOf(const std::string& reportPath) {
    const std::string stem = std::filesystem::path(reportPath).stem().string();
    auto digits = [&](std::size_t at) {
        return std::isdigit(static_cast<unsigned char>(stem[at])) &&
                       std::isdigit(static_cast<unsigned char>(stem[at + 1]))
                   ? (stem[at] - '0') * 10 + (stem[at + 1] - '0')
                   : -1;
    };
    if (stem.size() >= 10) {
        const int month = digits(0), day = digits(2), year = digits(4);
        const int hour = digits(stem.size() - 4), minute = digits(stem.size() - 2);
        if (month >= 1 && month <= 12 && day >= 1 && day <= 31 && year >= 0 && hour >= 0 && hour < 24 &&
            minute >= 0 && minute < 60) {
            char text[32];
            std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00", 2000 + year, month, day, hour, minute);
            return text;
        }
    }
    struct stat status {};
    if (::stat(reportPath.c_str(), &status) != 0) return "";
    std::tm local{};
    const std::time_t when = status.st_mtime;
    if (!localtime_r(&when, &local)) return "";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::string attribute(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + xmlAttribute(value) + "\"";
}

std::string attribute(const char* name, int value) { return attribute(name, std::to_string(value)); }

std::string recordType(const Record& record) {
    std::string type = rtreport::recordKindName(record.kind);
    if (!record.method.empty() && record.method != "::") type += " in " + record.method;
    return type;
}

std::string recordBody(const Record& record) {
    std::vector<std::string> lines = record.msgs;
    lines.insert(lines.end(), record.traces.begin(), record.traces.end());
    return joined(lines, "\n");
}

// One testcase: its records in report order, then the live run's and the
// cut-off's own entries, then the warnings.
std::string testCase(const std::string& name, const std::string& className, const std::string& time,
                     const std::vector<Record>& records, bool returnedFalse, bool interrupted) {
    std::string text;
    std::string warnings;
    for (const Record& record : records) {
        const Shown shown = shownAs(record.kind);
        if (shown == Shown::kOutput) {
            warnings += recordType(record) + (record.desc.empty() ? "" : ": " + record.desc) + "\n";
            for (const std::string& line : record.msgs) warnings += "  " + line + "\n";
            for (const std::string& line : record.traces) warnings += "  " + line + "\n";
            continue;
        }
        const char* element = shown == Shown::kFailure ? "failure" : "error";
        text += std::string("      <") + element + attribute("message", record.desc) +
                attribute("type", recordType(record)) + ">" + xmlContent(recordBody(record)) + "</" + element +
                ">\n";
    }
    if (returnedFalse)
        text += "      <failure message=\"test body returned false\" type=\"ReturnedFalse\"></failure>\n";
    if (interrupted)
        text += "      <error message=\"the run ended inside this test: the report stops here\""
                " type=\"Interrupted\"></error>\n";
    if (!warnings.empty()) text += "      <system-out>" + xmlContent(warnings) + "</system-out>\n";
    const std::string start =
        "    <testcase" + attribute("name", name) + attribute("classname", className) + attribute("time", time);
    return text.empty() ? start + "/>\n" : start + ">\n" + text + "    </testcase>\n";
}

// First pass: the totals the testsuites element opens with, and the run's record.
class Tally : public rtreport::ReportVisitor {
public:
    explicit Tally(const std::set<int>& falseReturnIds) : m_falseReturnIds(falseReturnIds) {}
    void group(const Group& group) override {
        totals.add(countSuite(group, m_falseReturnIds));
        groupSeconds += suiteSeconds(group);
    }
    void runInfo(const rtreport::RunInfo& info) override { run = info; }

    SuiteCounts totals;
    double groupSeconds = 0;
    rtreport::RunInfo run;

private:
    const std::set<int>& m_falseReturnIds;
};

// Second pass: one testsuite per group, written as each group arrives.
class SuiteWriter : public rtreport::ReportVisitor {
public:
    SuiteWriter(std::FILE* out, const std::set<int>& falseReturnIds, const std::string& hostName,
                const std::string& timestamp)
        : m_out(out), m_falseReturnIds(falseReturnIds), m_hostName(hostName), m_timestamp(timestamp) {}

    void group(const Group& group) override {
        const SuiteCounts counts = countSuite(group, m_falseReturnIds);
        const std::string name = suiteName(group);
        std::string text = "  <testsuite" + attribute("name", name) + attribute("tests", counts.tests) +
                           attribute("failures", counts.failures) + attribute("errors", counts.errors) +
                           attribute("skipped", 0) + attribute("time", seconds(suiteSeconds(group)));
        if (!m_timestamp.empty()) text += attribute("timestamp", m_timestamp);
        if (!m_hostName.empty()) text += attribute("hostname", m_hostName);
        if (group.id >= 0) text += attribute("id", group.id);
        text += ">\n";
        const std::vector<std::string> names = caseNames(group);
        for (std::size_t i = 0; i < group.tests.size(); ++i) {
            const Test& test = group.tests[i];
            text += testCase(names[i], name, seconds(test.seconds()), test.records,
                             m_falseReturnIds.count(test.id) > 0, test.interrupted);
        }
        if (!group.records.empty()) text += testCase("(outside any test)", name, "0.00", group.records, false, false);
        text += "  </testsuite>\n";
        std::fwrite(text.data(), 1, text.size(), m_out);
    }

private:
    std::FILE* m_out;
    const std::set<int>& m_falseReturnIds;
    std::string m_hostName;
    std::string m_timestamp;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool samePath(const std::string& a, const std::string& b) {
    std::error_code ignored;
    return std::filesystem::equivalent(a, b, ignored);
}

} // namespace

JUnitOutcome writeJUnit(const std::string& reportPath, const std::string& outPath,
                        const std::set<int>& falseReturnIds) {
    JUnitOutcome outcome;
    Tally tally(falseReturnIds);
    const rtreport::ReadResult totals = rtreport::readReport(reportPath, tally);
    if (!totals.readable()) {
        outcome.problem = totals.problem;
        return outcome;
    }
    if (samePath(reportPath, outPath)) {
        outcome.problem = outPath + ": is the report itself; the JUnit file needs another name";
        return outcome;
    }
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(outPath.c_str(), "wb"));
    if (!out) {
        outcome.problem = outPath + ": cannot be written (" + std::strerror(errno) + ")";
        return outcome;
    }

    const double runSeconds = tally.run.runTime.empty() ? tally.groupSeconds : std::strtod(tally.run.runTime.c_str(), nullptr);
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" +
                             attribute("name", std::filesystem::path(reportPath).stem().string()) +
                             attribute("tests", tally.totals.tests) + attribute("failures", tally.totals.failures) +
                             attribute("errors", tally.totals.errors) + attribute("time", seconds(runSeconds)) + ">\n";
    std::fwrite(head.data(), 1, head.size(), out.get());
    SuiteWriter writer(out.get(), falseReturnIds, tally.run.machine, timestampOf(reportPath));
    const rtreport::ReadResult suites = rtreport::readReport(reportPath, writer);
    std::fputs("</testsuites>\n", out.get());

    const bool writeFailed = std::ferror(out.get()) != 0;
    const int closeResult = std::fclose(out.release());
    if (writeFailed || closeResult != 0) {
        outcome.problem = outPath + ": writing failed (" + std::strerror(errno) + ")";
        return outcome;
    }
    if (!suites.readable()) {
        outcome.problem = suites.problem; // the report went away between the two readings
        return outcome;
    }
    outcome.written = true;
    outcome.reportCutOff = suites.cutOff();
    if (suites.cutOff()) outcome.problem = suites.problem;
    return outcome;
}

int convertReportToJUnit(const std::string& reportPath, const std::string& outPath) {
    const JUnitOutcome outcome = writeJUnit(reportPath, outPath);
    if (!outcome.written) {
        std::fprintf(stderr, "rtrun: %s\n", outcome.problem.c_str());
        return kCannotRun;
    }
    if (outcome.reportCutOff)
        std::fprintf(stderr, "rtrun: note: %s; converted as far as it goes\n", outcome.problem.c_str());
    return kPassed;
}

} // namespace rtrun
