#include "rtrun/Options.h"
#include <cstdio>
#include <cstring>

namespace rtrun {

namespace {

// "--name=value" or "--name value"; false when the value is missing.
bool takeValue(int argc, char** argv, int& i, const char* name, std::string& value, std::string& problem) {
    const char* arg = argv[i];
    const std::size_t length = std::strlen(name);
    if (arg[length] == '=') {
        value = arg + length + 1;
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        problem = std::string("option ") + name + " needs a value";
        return false;
    }
    if (value.empty()) {
        problem = std::string("option ") + name + " needs a non-empty value";
        return false;
    }
    return true;
}

bool isOption(const char* arg, const char* name) {
    const std::size_t length = std::strlen(name);
    return std::strncmp(arg, name, length) == 0 && (arg[length] == '\0' || arg[length] == '=');
}

} // namespace

bool parseOptions(int argc, char** argv, Options& options, std::string& problem) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (optionsEnded || arg[0] != '-' || arg[1] == '\0') {
            options.scripts.emplace_back(arg);
        } else if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            options.mode = Mode::kHelp;
        } else if (std::strcmp(arg, "--version") == 0) {
            options.mode = Mode::kVersion;
        } else if (std::strcmp(arg, "--list") == 0) {
            options.mode = Mode::kList;
        } else if (isOption(arg, "--suite")) {
            if (!takeValue(argc, argv, i, "--suite", options.suite, problem)) return false;
        } else if (isOption(arg, "--platform")) {
            if (!takeValue(argc, argv, i, "--platform", options.platform, problem)) return false;
        } else if (isOption(arg, "--junit-from")) {
            if (!takeValue(argc, argv, i, "--junit-from", options.junitFrom, problem)) return false;
            options.mode = Mode::kJUnitFrom;
        } else if (isOption(arg, "--junit")) {
            if (!takeValue(argc, argv, i, "--junit", options.junit, problem)) return false;
        } else {
            problem = std::string("unknown option '") + arg + "'";
            return false;
        }
    }
    if (options.mode == Mode::kJUnitFrom) {
        // The output file follows the report, unless --junit named it.
        if (options.junit.empty() && options.scripts.size() == 1) options.junit = options.scripts.front();
        else if (!options.scripts.empty() || options.junit.empty()) {
            problem = "--junit-from takes a report and one output file: rtrun --junit-from REPORT.xml FILE";
            return false;
        }
        options.scripts.clear();
    }
    if (options.mode == Mode::kRun && options.scripts.empty()) {
        problem = "no test script given";
        return false;
    }
    return true;
}

void printHelp() {
    std::printf(
        "Usage: rtrun [options] script...\n"
        "Runs each test script (a name relative to the suite's Config/ directory) in order,\n"
        "with the test libraries found beside the core library, and writes the run's report.\n"
        "\n"
        "Options:\n"
        "  --suite DIR      base directory of the suite (holding Config/, Scripts/,\n"
        "                   GoldenData/ and Results/); default: KXRT_RELATIVE_PATH, or\n"
        "                   the parent of the directory holding rtrun\n"
        "  --platform NAME  platform name used in file names (default: KXRT_PLAT_TARG,\n"
        "                   then Uname, then WIN64)\n"
        "  --junit FILE     also write the run's results as JUnit XML to FILE\n"
        "  --junit-from REPORT FILE\n"
        "                   convert an existing report (one cut short by a dead run too)\n"
        "                   to JUnit XML in FILE, and exit\n"
        "  --list           list every registered test case, per factory, and exit\n"
        "  --version        print the framework's version and build, and exit\n"
        "  --help           print this help, and exit\n"
        "  --               end of options: every later argument is a script\n"
        "\n"
        "Directories can also be set one by one with KXRT_INDATA_DIR, KXRT_OUTDATA_DIR,\n"
        "KXRT_RESULT_DIR, KXRT_SCRIPT_DIR and KXRT_CONFIG_DIR.\n"
        "\n"
        "Problems in the scripts (syntax errors, scripts that cannot be read, tests\n"
        "no library defines) are shown on standard error as they are met.\n"
        "\n"
        "Exit status: 0 when the run had no errors, no external errors and no script\n"
        "problems, 1 when it had some, 2 when it could not run.\n");
}

} // namespace rtrun
