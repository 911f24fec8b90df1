#pragma once
// Synthetic reports in the report's own layout, for the benchmarks: groups of
// a fixed number of tests, every failEvery-th test failing with one error.
#include "ReportLayout.h"
#include <cstdio>
#include <string>

namespace bench {

inline void writeFile(const std::string& path, const std::string& text) {
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

inline std::string idText(int id) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.10d", id);
    return text;
}

// Writes a report of `tests` tests; returns how many of them fail.
inline int writeReport(const std::string& path, int tests, int testsPerGroup, int failEvery) {
    std::string out = "<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n";
    out.reserve(static_cast<std::size_t>(tests) * 520);
    int id = 0;
    int failing = 0;
    for (int first = 0; first < tests; first += testsPerGroup) {
        out += "  <Group id=\"" + idText(id++) + "\">\r\n";
        int groupErrors = 0;
        for (int t = first; t < first + testsPerGroup && t < tests; ++t) {
            const int errors = (t % failEvery == failEvery - 1) ? 1 : 0;
            groupErrors += errors;
            failing += errors;
            out += "    <Test id=\"" + idText(id++) + "\">\r\n";
            if (errors) {
                out += errorRecord();
            }
            out += "      <Arg>model" + std::to_string(t) +
                   ".kx</Arg>\r\n      <Ext></Ext>\r\n"
                   "      <Time>0.01 Seconds</Time>\r\n      <Desc>Synthetic test case</Desc>\r\n"
                   "      <Title>Case" +
                   std::to_string(t) + "</Title>\r\n";
            appendSummary(out, "      ", errors);
            out += "    </Test>\r\n";
        }
        out +=
            "    <Time>1.00 Seconds</Time>\r\n    <Desc>Synthetic group</Desc>\r\n"
            "    <Title>Group" +
            std::to_string(first / testsPerGroup) + "</Title>\r\n";
        appendSummary(out, "    ", groupErrors);
        out += "  </Group>\r\n";
    }
    out +=
        "  <Global>\r\n    <Machine>bench</Machine>\r\n    <Platform>BENCH</Platform>\r\n"
        "    <RunTime>1.00 Seconds</RunTime>\r\n    <Version>V</Version>\r\n  </Global>\r\n</KxRegTester>\r\n";
    writeFile(path, out);
    return failing;
}


} // namespace bench
