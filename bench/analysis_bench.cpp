// Times the e-mail summary (Analysis::executeI) on synthetic reports of
// 10 000, 100 000 and 1 000 000 tests written in the report's own layout,
// groups of 100 tests with a failing test now and then. The time per test
// should stay roughly the same as the report grows.
#include "ReportLayout.h"
#include <Rt/Rt.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int kTestsPerGroup = 100;
const int kFailEvery = 9973; // a prime: failures fall into different groups

void writeFile(const std::string& path, const std::string& text) {
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

char* idText(int id) {
    static char text[32];
    std::snprintf(text, sizeof(text), "%.10d", id);
    return text;
}

// Writes a report of `tests` tests; returns how many of them fail.
int writeReport(const std::string& path, int tests) {
    std::string out = "<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n";
    out.reserve(static_cast<std::size_t>(tests) * 520);
    int id = 0;
    int failing = 0;
    for (int first = 0; first < tests; first += kTestsPerGroup) {
        out += "  <Group id=\"" + std::string(idText(id++)) + "\">\r\n";
        int groupErrors = 0;
        for (int t = first; t < first + kTestsPerGroup && t < tests; ++t) {
            const int errors = (t % kFailEvery == kFailEvery - 1) ? 1 : 0;
            groupErrors += errors;
            failing += errors;
            out += "    <Test id=\"" + std::string(idText(id++)) + "\">\r\n";
            if (errors) {
                out += bench::errorRecord();
            }
            out += "      <Arg>model" + std::to_string(t) +
                   ".kx</Arg>\r\n      <Ext></Ext>\r\n"
                   "      <Time>0.01 Seconds</Time>\r\n      <Desc>Synthetic test case</Desc>\r\n"
                   "      <Title>Case" +
                   std::to_string(t) + "</Title>\r\n";
            bench::appendSummary(out, "      ", errors);
            out += "    </Test>\r\n";
        }
        out +=
            "    <Time>1.00 Seconds</Time>\r\n    <Desc>Synthetic group</Desc>\r\n"
            "    <Title>Group" +
            std::to_string(first / kTestsPerGroup) + "</Title>\r\n";
        bench::appendSummary(out, "    ", groupErrors);
        out += "  </Group>\r\n";
    }
    out +=
        "  <Global>\r\n    <Machine>bench</Machine>\r\n    <Platform>BENCH</Platform>\r\n"
        "    <RunTime>1.00 Seconds</RunTime>\r\n    <Version>V</Version>\r\n  </Global>\r\n</KxRegTester>\r\n";
    writeFile(path, out);
    return failing;
}

long fileSize(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

} // namespace

int main() {
    char pattern[] = "/tmp/rtbench.XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string base = std::string(pattern) + "/";
    ::mkdir((base + "Scripts").c_str(), 0777);
    ::mkdir((base + "Results").c_str(), 0777);
    writeFile(base + "Scripts/head.em", "<html><body>\n");
    writeFile(base + "Scripts/open.em", "<p>OBJ_PLATFORM OBJ_MACHINE OBJ_DATE OBJ_TIME OBJ_VERSION</p>\n");
    writeFile(base + "Scripts/object.em",
              "<table bgcolor=\"OBJ_BACKGROUNDCOLOR\" width=\"OBJ_TABLEWIDTH\"><tr><td>OBJ_TEXTLEFT</td>"
              "<td>OBJ_TEXTRIGHT</td></tr></table>\n");
    writeFile(base + "Scripts/close.em", "<a href=\"OBJ_LINKREPORT\">report</a></body></html>\n");
    ::setenv("KXRT_RELATIVE_PATH", base.c_str(), 1);
    ::setenv("KXRT_PLAT_TARG", "BENCH", 1);
    RtLib::init();

    std::printf("%10s %10s %8s %10s %12s %14s\n", "tests", "report MB", "failing", "seconds", "us per test",
                "whole read, x");
    for (int tests : {10000, 100000, 1000000}) {
        const std::string report = base + "Results/report.xml";
        const std::string mail = base + "Results/report.email";
        const int failing = writeReport(report, tests);
        // Reading the whole file into a text, for comparison: the analysis streams it instead.
        auto start = std::chrono::steady_clock::now();
        {
            Rt::FileStream stream;
            KxString text;
            stream.readFile(report.c_str(), text);
        }
        const double reading = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        start = std::chrono::steady_clock::now();
        {
            Rt::Analysis analysis;
            analysis.formatOpen("BENCH", "bench", "December 06, 2026", "1200");
            analysis.formatClose("report.htm");
            analysis.executeI(report.c_str(), mail.c_str());
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%10d %10.1f %8d %10.3f %12.3f %13.1fx%s\n", tests, fileSize(report) / 1e6, failing, seconds,
                    seconds * 1e6 / tests, reading / seconds,
                    fileSize(mail) > 0 ? "" : "  (no summary written!)");
        std::fflush(stdout);
        std::remove(report.c_str());
        std::remove(mail.c_str());
    }

    RtLib::fini();
    if (std::system(("rm -rf '" + base + "'").c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", base.c_str());
    return 0;
}
