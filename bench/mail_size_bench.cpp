// Size of the e-mail summary of a large failing run, made by the real
// analysis from the e-mail templates of a script directory (by default the
// example suite's; another directory, e.g. an older set of templates, as the
// first argument). 20 000 tests in groups of 3, every second test failing.
#include "SyntheticReport.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const std::string scripts = argc > 1 ? argv[1] : RT_EXAMPLE_SCRIPTS;
    char pattern[] = "/tmp/rtmailbench.XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string base = std::string(pattern) + "/";
    fs::create_directory(base + "Scripts");
    fs::create_directory(base + "Results");
    for (const char* name : {"head.em", "open.em", "object.em", "close.em"}) {
        std::error_code error;
        fs::copy_file(fs::path(scripts) / name, base + "Scripts/" + name, error);
        if (error) {
            std::fprintf(stderr, "cannot copy %s from %s: %s\n", name, scripts.c_str(), error.message().c_str());
            return 1;
        }
    }
    ::setenv("KXRT_RELATIVE_PATH", base.c_str(), 1);
    ::setenv("KXRT_PLAT_TARG", "BENCH", 1);
    RtLib::init();

    const int tests = 20000, perGroup = 3;
    const std::string report = base + "Results/report.xml", mail = base + "Results/report.email";
    const int failing = bench::writeReport(report, tests, perGroup, 2);
    {
        Rt::Analysis analysis;
        analysis.formatOpen("BENCH", "bench", "December 06, 2026", "1200");
        analysis.formatClose("120626BENCH1200.htm");
        analysis.executeI(report.c_str(), mail.c_str());
    }
    std::error_code error;
    const auto bytes = fs::file_size(mail, error);
    const int groups = (tests + perGroup - 1) / perGroup;
    // Every group holds a failing test, so each has a line of its own.
    const int lines = failing + groups;
    if (error) {
        std::printf("no e-mail summary written\n");
    } else {
        std::printf("templates: %s\ntests %d, failing %d, lines %d\ne-mail %.2f MB, %.0f bytes per line\n",
                    scripts.c_str(), tests, failing, lines, bytes / 1e6, static_cast<double>(bytes) / lines);
    }
    RtLib::fini();
    fs::remove_all(base, error);
    return 0;
}
