// rtrun: runs test scripts with the test libraries found beside the core library.
#include "rtrun/JUnitExport.h"
#include "rtrun/Options.h"
#include "rtrun/ReportCompare.h"
#include "rtrun/Run.h"
#include <cstdio>
#include <iostream>

int main(int argc, char** argv) {
    rtrun::Options options;
    std::string problem;
    if (!rtrun::parseOptions(argc, argv, options, problem)) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        std::fprintf(stderr, "Try 'rtrun --help'.\n");
        return rtrun::kCannotRun;
    }
    if (options.mode == rtrun::Mode::kJUnitFrom) return rtrun::convertReportToJUnit(options.junitFrom, options.junit);
    if (options.mode == rtrun::Mode::kCompare)
        return rtrun::compareReports(options.compareOld, options.compareNew, options.markdown, std::cout, std::cerr);
    return rtrun::run(options);
}
