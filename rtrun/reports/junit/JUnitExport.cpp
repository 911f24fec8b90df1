#include "rtrun/reports/junit/JUnitExport.h"
#include "report/reader/ReportReader.h"
#include "rtrun/reports/junit/JUnitSuite.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/reports/junit/XmlText.h"
#include "rtrun/system/SecondsFormat.h"
#include "env/Platform.h"
#include <sys/stat.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>

namespace rtrun {

namespace {

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
    const std::tm local = Rt::Platform::localTimeOf(status.st_mtime);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The not-run tests by the title of the group they belong to. Each group
// takes its own when the report reaches it (the first group of a title); the
// ones no group took are handed out at the end, a testsuite per group title.
class NotRunByGroup {
public:
    explicit NotRunByGroup(const std::vector<JUnitNotRun>& tests) {
        for (const JUnitNotRun& test : tests) {
            if (!m_byGroup.count(test.group)) m_order.push_back(test.group);
            m_byGroup[test.group].push_back(&test);
        }
    }
    std::vector<const JUnitNotRun*> take(const rtreport::Group& group) {
        if (group.outsideGroups) return {};
        const auto found = m_byGroup.find(group.title);
        if (found == m_byGroup.end()) return {};
        std::vector<const JUnitNotRun*> tests = std::move(found->second);
        m_byGroup.erase(found);
        return tests;
    }
    // Calls `suite` for a group of each title left, with its tests.
    template <class Suite>
    void takeRest(Suite suite) {
        for (const std::string& title : m_order) {
            const auto found = m_byGroup.find(title);
            if (found == m_byGroup.end()) continue;
            rtreport::Group group;
            group.title = title;
            suite(group, found->second);
            m_byGroup.erase(found);
        }
    }

private:
    std::map<std::string, std::vector<const JUnitNotRun*>> m_byGroup;
    std::vector<std::string> m_order;
};

// First pass: the totals the testsuites element opens with, and the run's record.
class Tally : public rtreport::ReportVisitor {
public:
    explicit Tally(const JUnitExtras& extras) : m_extras(extras), m_notRun(extras.notRun) {}
    void group(const rtreport::Group& group) override { add(group, m_notRun.take(group)); }
    void runInfo(const rtreport::RunInfo& info) override { run = info; }
    void finish() {
        m_notRun.takeRest([this](const rtreport::Group& group, const std::vector<const JUnitNotRun*>& tests) {
            add(group, tests);
        });
    }

    JUnitCounts totals;
    double groupSeconds = 0;
    rtreport::RunInfo run;

private:
    void add(const rtreport::Group& group, const std::vector<const JUnitNotRun*>& notRun) {
        totals.add(countJUnitSuite(group, m_extras.falseReturnIds, notRun));
        groupSeconds += suiteSeconds(group);
    }

    const JUnitExtras& m_extras;
    NotRunByGroup m_notRun;
};

// Second pass: one testsuite per group, written as each group arrives.
class SuiteWriter : public rtreport::ReportVisitor {
public:
    SuiteWriter(std::FILE* out, const JUnitExtras& extras, const std::string& hostName, const std::string& timestamp)
        : m_out(out), m_extras(extras), m_notRun(extras.notRun), m_hostName(hostName), m_timestamp(timestamp) {}

    void group(const rtreport::Group& group) override { write(group, m_notRun.take(group)); }
    void finish() {
        m_notRun.takeRest([this](const rtreport::Group& group, const std::vector<const JUnitNotRun*>& tests) {
            write(group, tests);
        });
    }

private:
    void write(const rtreport::Group& group, const std::vector<const JUnitNotRun*>& notRun) {
        const std::string text = junitSuite(group, m_extras, notRun, m_hostName, m_timestamp);
        std::fwrite(text.data(), 1, text.size(), m_out);
    }

    std::FILE* m_out;
    const JUnitExtras& m_extras;
    NotRunByGroup m_notRun;
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

JUnitOutcome writeJUnit(const std::string& reportPath, const std::string& outPath, const JUnitExtras& extras) {
    JUnitOutcome outcome;
    Tally tally(extras);
    const rtreport::ReadResult totals = rtreport::readReport(reportPath, tally);
    tally.finish();
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

    const double runSeconds =
        tally.run.runTime.empty() ? tally.groupSeconds : tally.run.runSeconds();
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" +
        attributeText("name", std::filesystem::path(reportPath).stem().string()) +
        attributeText("tests", tally.totals.tests) + attributeText("failures", tally.totals.failures) +
        attributeText("errors", tally.totals.errors) + attributeText("time", twoDecimalSeconds(runSeconds)) + ">\n";
    std::fwrite(head.data(), 1, head.size(), out.get());
    SuiteWriter writer(out.get(), extras, tally.run.machine, timestampOf(reportPath));
    const rtreport::ReadResult suites = rtreport::readReport(reportPath, writer);
    writer.finish();
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

int convertReportToJUnit(const std::string& reportPath, const std::string& outPath, const JUnitExtras& extras) {
    const JUnitOutcome outcome = writeJUnit(reportPath, outPath, extras);
    if (!outcome.written) {
        std::fprintf(stderr, "rtrun: %s\n", outcome.problem.c_str());
        return eCannotRun;
    }
    if (outcome.reportCutOff)
        std::fprintf(stderr, "rtrun: note: %s; converted as far as it goes\n", outcome.problem.c_str());
    return ePassed;
}

} // namespace rtrun