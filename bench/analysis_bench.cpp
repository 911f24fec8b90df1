// Times the e-mail summary (Analysis::executeI) on synthetic reports of
// 10 000, 100 000 and 1 000 000 tests written in the report's own layout,
// groups of 100 tests with a failing test now and then. The time per test
// should stay roughly the same as the report grows.
#include "SyntheticReport.h"
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

using bench::writeFile;

int writeReport(const std::string& path, int tests) { return bench::writeReport(path, tests, kTestsPerGroup, kFailEvery); }

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
