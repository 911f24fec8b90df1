#include "rtrun/Options.h"
#include <cstdio>
#include <cstdlib>
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

// The options whose value is kept as given; some choose what rtrun does.
struct ValueOption {
    const char* name;
    std::string Options::*value;
    bool choosesMode;
    Mode mode;
};

const ValueOption* valueOption(const char* arg) {
    static const ValueOption options[] = {
        {"--suite", &Options::suite, false, Mode::kRun},
        {"--junit", &Options::junit, false, Mode::kRun},
        {"--rerun-failed", &Options::failedFrom, false, Mode::kRun},
        {"--failed", &Options::failedFrom, true, Mode::kFailed},
        {"--init", &Options::initDir, true, Mode::kInit},
        {"--junit-from", &Options::junitFrom, true, Mode::kJUnitFrom},
        {"--compare", &Options::compareOld, true, Mode::kCompare},
        {"--merge", &Options::mergeDir, true, Mode::kMerge},
    };
    for (const ValueOption& option : options)
        if (isOption(arg, option.name)) return &option;
    return nullptr;
}

} // namespace

bool parseShard(const std::string& text, int& index, int& count) {
    char* end = nullptr;
    const long i = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '/') return false;
    const char* rest = end + 1;
    const long n = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0' || i < 0 || n < 1 || i >= n || n > 1000000) return false;
    index = static_cast<int>(i);
    count = static_cast<int>(n);
    return true;
}

bool parseSeconds(const std::string& text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && seconds > 0 && seconds < 1e9;
}

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
        } else if (const ValueOption* option = valueOption(arg)) {
            if (!takeValue(argc, argv, i, option->name, options.*option->value, problem)) return false;
            if (option->choosesMode) options.mode = option->mode;
        } else if (isOption(arg, "--platform")) {
            if (!takeValue(argc, argv, i, "--platform", options.platform, problem)) return false;
            if (options.platform.find_first_of("/\\") != std::string::npos ||
                options.platform.find("..") != std::string::npos) {
                problem = "option --platform: platform name '" + options.platform + "' holds a path separator or '..'";
                return false;
            }
        } else if (isOption(arg, "--filter")) {
            std::string pattern;
            if (!takeValue(argc, argv, i, "--filter", pattern, problem)) return false;
            options.filters.push_back(pattern);
        } else if (isOption(arg, "--lib-dir")) {
            std::string dir;
            if (!takeValue(argc, argv, i, "--lib-dir", dir, problem)) return false;
            options.libDirs.push_back(dir);
        } else if (isOption(arg, "--durations")) {
            std::string count;
            if (!takeValue(argc, argv, i, "--durations", count, problem)) return false;
            char* end = nullptr;
            const long n = std::strtol(count.c_str(), &end, 10);
            if (*end != '\0' || n < 0 || n > 1000000) {
                problem = "option --durations needs a count, not '" + count + "'";
                return false;
            }
            options.durations = static_cast<int>(n);
        } else if (isOption(arg, "--shard")) {
            std::string shard;
            if (!takeValue(argc, argv, i, "--shard", shard, problem)) return false;
            if (!parseShard(shard, options.shardIndex, options.shardCount)) {
                problem = "option --shard needs I/N with 0 <= I < N, not '" + shard + "'";
                return false;
            }
        } else if (std::strcmp(arg, "--in-process") == 0) {
            options.inProcess = true;
        } else if (isOption(arg, "--timeout")) {
            std::string seconds;
            if (!takeValue(argc, argv, i, "--timeout", seconds, problem)) return false;
            if (!parseSeconds(seconds, options.timeout)) {
                problem = "option --timeout needs a number of seconds above 0, not '" + seconds + "'";
                return false;
            }
        } else if (std::strcmp(arg, "--markdown") == 0) {
            options.markdown = true;
        } else {
            problem = std::string("unknown option '") + arg + "'";
            return false;
        }
    }
    if (options.mode == Mode::kInit && !options.scripts.empty()) {
        problem = "--init takes no script";
        return false;
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
    if (options.mode == Mode::kCompare) {
        if (options.scripts.size() != 1) {
            problem = "--compare takes two reports: rtrun --compare OLD.xml NEW.xml";
            return false;
        }
        options.compareNew = options.scripts.front();
        options.scripts.clear();
    }
    if (options.mode == Mode::kMerge && options.scripts.empty()) {
        problem = "--merge takes a directory and the shard reports: rtrun --merge OUT_DIR REPORT.xml...";
        return false;
    }
    if (!options.failedFrom.empty() && !options.scripts.empty()) {
        problem = "--failed and --rerun-failed take a report, not scripts";
        return false;
    }
    if (options.mode == Mode::kRun && options.scripts.empty() && options.failedFrom.empty()) {
        problem = "no test script given";
        return false;
    }
    return true;
}

void printHelp() {
    std::printf(
        "Usage: rtrun [options] script...\n"
        "Runs each test script in order: a name in the suite's Config/ directory, else a\n"
        "path (absolute, or relative to the working directory),\n"
        "with the test libraries found beside the core library, and writes the run's report.\n"
        "\n"
        "Options:\n"
        "  --suite DIR      base directory of the suite (holding Config/, Scripts/,\n"
        "                   GoldenData/ and Results/); default: KXRT_RELATIVE_PATH,\n"
        "                   else the working directory when it holds Config/, else\n"
        "                   the parent of the directory holding rtrun\n"
        "  --platform NAME  platform name used in file names (default: KXRT_PLAT_TARG,\n"
        "                   then Uname, then one for this system, such as LNX64)\n"
        "  --filter PATTERN run only the tests whose \"group/case\" matches the glob\n"
        "                   PATTERN (repeatable; a leading '-' excludes; with only\n"
        "                   exclusions every other test runs); default: KXRT_FILTER,\n"
        "                   patterns separated by spaces\n"
        "  --lib-dir DIR    also load the test libraries in DIR (repeatable; also\n"
        "                   KXRT_LIB_PATH, directories separated by ':'), after those\n"
        "                   beside the core library, which take precedence\n"
        "  --durations N    name the N slowest tests after the run (default 5)\n"
        "  --timeout SECONDS\n"
        "                   kill a test whose body runs longer, record it as timed out\n"
        "                   and go on with the next (also KXRT_TEST_TIMEOUT; default:\n"
        "                   no limit)\n"
        "  --shard I/N      run only every N-th test the scripts hold (after --filter),\n"
        "                   from the I-th (I counts from 0), into the result\n"
        "                   directory's shard-I-of-N/ (also TEST_SHARD_INDEX and\n"
        "                   TEST_TOTAL_SHARDS; TEST_SHARD_STATUS_FILE is touched)\n"
        "  --in-process     run the tests in rtrun's own process, without the\n"
        "                   supervisor that survives crashing tests (for a debugger)\n"
        "  --list           list every registered test case, per factory, and exit;\n"
        "                   with scripts, list the tests they would run (after\n"
        "                   --filter) without running them\n"
        "  --init DIR       make a suite skeleton in DIR (Config/ with a sample\n"
        "                   script, Scripts/, GoldenData/, Results/) and exit\n"
        "  --compare OLD NEW\n"
        "                   list what changed from report OLD to report NEW: new\n"
        "                   failures, fixed, still failing, new and removed tests,\n"
        "                   much slower tests; exit 1 on new failures\n"
        "  --markdown       --compare writes Markdown, for a CI comment\n"
        "  --merge OUT_DIR REPORT...\n"
        "                   merge the reports of a run's shards (or the shard\n"
        "                   directories holding them) into one report in OUT_DIR,\n"
        "                   with its page and e-mail summary\n"
        "  --failed REPORT  print a test script holding the failed and interrupted\n"
        "                   tests of REPORT (as the scripts named them), and exit\n"
        "  --rerun-failed REPORT\n"
        "                   run the failed and interrupted tests of REPORT again\n"
        "                   (their script is kept beside REPORT as <run>.rerun.rt)\n"
        "  --junit FILE     also write the run's results as JUnit XML to FILE\n"
        "  --junit-from REPORT FILE\n"
        "                   convert an existing report (one cut short by a dead run too)\n"
        "                   to JUnit XML in FILE, and exit\n"
        "  --version        print the framework's version and build, and exit\n"
        "  --help           print this help, and exit\n"
        "  --               end of options: every later argument is a script\n"
        "\n"
        "Directories can also be set one by one with KXRT_INDATA_DIR, KXRT_OUTDATA_DIR,\n"
        "KXRT_RESULT_DIR, KXRT_SCRIPT_DIR and KXRT_CONFIG_DIR.\n"
        "\n"
        "Problems in the scripts (syntax errors, scripts that cannot be read, tests\n"
        "that cannot be made) are shown on standard error as they are met. After the\n"
        "progress lines come the totals, each test that failed or did not run, and\n"
        "the paths of the files written.\n"
        "\n"
        "Exit status:\n"
        "  0  at least one test ran, every test ran and passed (its body returned true\n"
        "     and it raised no error and no external error), no script had a problem,\n"
        "     every test library was usable and the report is complete on disk\n"
        "  1  a test failed or did not run, a script had a problem, a test library\n"
        "     yielded no factory, test code ended the process, or no test ran\n"
        "  2  the run could not happen (bad option, no usable test library, unusable\n"
        "     result directory) or its report could not be written\n");
}

} // namespace rtrun
