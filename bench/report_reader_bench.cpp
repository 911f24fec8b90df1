// Reads synthetic reports of 10 000, 100 000 and 1 000 000 tests (groups of
// 100 tests, a failing test now and then) with the report reader, then
// converts each to JUnit, and prints the file size, the times and the
// process's peak resident memory after each. The reader streams: the peak
// should stay about the same while the report grows a hundredfold.
#include "report/reader/ReportReader.h"
#include "rtrun/reports/junit/JUnitExport.h"
#include <sys/resource.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const int kTestsPerGroup = 100;
const int kFailEvery = 9973;

std::string summary(const char* indent, int errors) {
    std::string out = std::string(indent) + "<Summary>\r\n";
    const char* names[] = {"KxErrors", "Errors", "Warnings", "ExtErrors", "ExtWarnings"};
    for (int i = 0; i < 5; ++i)
        out += std::string(indent) + "  <" + names[i] + ">" + (i == 1 ? std::to_string(errors) : "0") + "</" +
               names[i] + ">\r\n";
    return out + indent + "</Summary>\r\n";
}

// Written group by group, so that the generator does not hold the report either.
void writeReport(const std::string& path, int tests) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fputs("<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n", file);
    int id = 0;
    char idText[16];
    for (int first = 0; first < tests; first += kTestsPerGroup) {
        std::snprintf(idText, sizeof idText, "%.10d", id++);
        std::string group = std::string("  <Group id=\"") + idText + "\">\r\n";
        int groupErrors = 0;
        for (int t = first; t < first + kTestsPerGroup && t < tests; ++t) {
            std::snprintf(idText, sizeof idText, "%.10d", id++);
            const int errors = t % kFailEvery == kFailEvery - 1 ? 1 : 0;
            groupErrors += errors;
            group += std::string("    <Test id=\"") + idText + "\">\r\n";
            if (errors)
                group += "      <Error>\r\n        <Method>Case::executeW</Method>\r\n        <Desc>value</Desc>\r\n"
                         "        <Msg>expected 1, got 2</Msg>\r\n      </Error>\r\n";
            group += "      <Arg>" + std::to_string(t) + "</Arg>\r\n      <Ext></Ext>\r\n"
                     "      <Time>0.01 Seconds</Time>\r\n      <Desc>a synthetic test</Desc>\r\n"
                     "      <Title>Case" + std::to_string(t % 7) + "</Title>\r\n" + summary("      ", errors) +
                     "    </Test>\r\n";
        }
        group += "    <Time>1.00 Seconds</Time>\r\n    <Desc>a group</Desc>\r\n    <Title>Group" +
                 std::to_string(first / kTestsPerGroup) + "</Title>\r\n" + summary("    ", groupErrors) +
                 "  </Group>\r\n";
        std::fwrite(group.data(), 1, group.size(), file);
    }
    std::fputs("  <Global>\r\n    <Machine>HOST</Machine>\r\n    <Platform>LNX64</Platform>\r\n"
               "    <RunTime>100.00 Seconds</RunTime>\r\n    <Version>V</Version>\r\n  </Global>\r\n</KxRegTester>\r\n",
               file);
    std::fclose(file);
}

struct Counter : rtreport::ReportVisitor {
    long groups = 0, tests = 0, failed = 0;
    void group(const rtreport::Group& group) override {
        ++groups;
        tests += static_cast<long>(group.tests.size());
        for (const rtreport::Test& test : group.tests) failed += test.failed();
    }
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main() {
    const std::string dir = "/tmp/report_reader_bench." + std::to_string(::getpid());
    const std::string report = dir + ".xml", junit = dir + ".junit.xml";
    std::printf("%10s %10s %10s %10s %12s %12s\n", "tests", "MB", "read s", "junit s", "failed", "peak RSS MB");
    for (int tests : {10000, 100000, 1000000}) {
        writeReport(report, tests);
        std::FILE* file = std::fopen(report.c_str(), "rb");
        std::fseek(file, 0, SEEK_END);
        const double megabytes = std::ftell(file) / 1e6;
        std::fclose(file);

        auto start = std::chrono::steady_clock::now();
        Counter counter;
        const rtreport::ReadResult result = rtreport::readReport(report, counter);
        const double readSeconds = secondsSince(start);
        start = std::chrono::steady_clock::now();
        const rtrun::JUnitOutcome converted = rtrun::writeJUnit(report, junit);
        const double junitSeconds = secondsSince(start);
        if (result.status != rtreport::ReadResult::Status::eComplete || counter.tests != tests || !converted.written)
            std::printf("unexpected: %s %s\n", result.problem.c_str(), converted.problem.c_str());
        std::printf("%10d %10.1f %10.2f %10.2f %12ld %12.1f\n", tests, megabytes, readSeconds, junitSeconds,
                    counter.failed, peakKilobytes() / 1024.0);
    }
    std::remove(report.c_str());
    std::remove(junit.c_str());
    return 0;
}
