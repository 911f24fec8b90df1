#include "rtrun/cli/Options.h"
#include "rtrun/system/Files.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rtrun {

namespace {

using Apply = bool (*)(Options& options, const std::string& value, std::string& problem);

// One option of the command line: how it is written, what its value is
// called in the help (none for a flag), what it does, and its help text
// (lines separated by '\n').
struct OptionSpec {
    const char* name;
    const char* alias;
    const char* value;
    Apply apply;
    const char* help;
};

bool chooseMode(Options& options, Mode mode) {
    options.mode = mode;
    return true;
}

const OptionSpec kOptions[] = {
    {"--suite", nullptr, "DIR",
     [](Options& o, const std::string& v, std::string&) { return o.suite = v, true; },
     "base directory of the suite (holding Config/, Scripts/,\n"
     "GoldenData/ and Results/); default: KXRT_RELATIVE_PATH,\n"
     "else the working directory when it holds Config/, else\n"
     "the parent of the directory holding rtrun"},
    {"--platform", nullptr, "NAME",
     [](Options& o, const std::string& v, std::string& problem) {
         o.platform = v;
         if (isUsablePlatform(v)) return true;
         problem = "option --platform: platform name '" + v + "' holds a path separator or '..'";
         return false;
     },
     "platform name used in file names (default: KXRT_PLAT_TARG,\n"
     "then Uname, then one for this system, such as LNX64)"},
    {"--filter", nullptr, "PATTERN",
     [](Options& o, const std::string& v, std::string&) { return o.filters.push_back(v), true; },
     "run only the tests whose \"group/case\" matches the glob\n"
     "PATTERN (repeatable; a leading '-' excludes; with only\n"
     "exclusions every other test runs); default: KXRT_FILTER,\n"
     "patterns separated by spaces"},
    {"--lib-dir", nullptr, "DIR",
     [](Options& o, const std::string& v, std::string&) { return o.libDirs.push_back(v), true; },
     "also load the test libraries in DIR (repeatable; also\n"
     "KXRT_LIB_PATH, directories separated by ':', on Windows ';'),\n"
     "after those beside the core library, which take precedence"},
    {"--durations", nullptr, "N",
     [](Options& o, const std::string& v, std::string& problem) {
         char* end = nullptr;
         const long n = std::strtol(v.c_str(), &end, 10);
         if (*end != '\0' || n < 0 || n > 1000000) {
             problem = "option --durations needs a count, not '" + v + "'";
             return false;
         }
         o.durations = static_cast<int>(n);
         return true;
     },
     "name the N slowest tests after the run (default 5)"},
    {"--timeout", nullptr, "SECONDS",
     [](Options& o, const std::string& v, std::string& problem) {
         if (parseSeconds(v, o.timeout)) return true;
         problem = "option --timeout needs a number of seconds above 0, not '" + v + "'";
         return false;
     },
     "kill a test whose body (or creator, initialize(),\n"
     "destructor, or the unloading of the libraries) runs longer,\n"
     "record it as timed out and go on with the next (also\n"
     "KXRT_TEST_TIMEOUT; default: no limit)"},
    {"--kill-grace", nullptr, "SECONDS",
     [](Options& o, const std::string& v, std::string& problem) {
         char* end = nullptr;
         o.killGrace = std::strtod(v.c_str(), &end);
         if (*end == '\0' && o.killGrace >= 0 && o.killGrace < 1e6) return true;
         problem = "option --kill-grace needs a number of seconds (0 or more), not '" + v + "'";
         return false;
     },
     "on SIGINT, SIGTERM or SIGHUP, the running test gets\n"
     "SIGTERM, then SIGKILL after SECONDS (default 5)"},
    {"--shard", nullptr, "I/N",
     [](Options& o, const std::string& v, std::string& problem) {
         if (parseShard(v, o.shardIndex, o.shardCount)) return true;
         problem = "option --shard needs I/N with 0 <= I < N, not '" + v + "'";
         return false;
     },
     "run only every N-th test the scripts hold (after --filter),\n"
     "from the I-th (I counts from 0), into the result\n"
     "directory's shard-I-of-N/ (also TEST_SHARD_INDEX and\n"
     "TEST_TOTAL_SHARDS; TEST_SHARD_STATUS_FILE is touched)"},
    {"--run-id", nullptr, "ID",
     [](Options& o, const std::string& v, std::string&) { return o.runId = v, true; },
     "the run this one belongs to, kept in its test index: --merge\n"
     "refuses shards of different runs (default: the CI's\n"
     "SLURM_ARRAY_JOB_ID, CI_PIPELINE_ID, GITHUB_RUN_ID or\n"
     "BUILD_TAG)"},
    {"--jobs", "-j", "N",
     [](Options& o, const std::string& v, std::string& problem) {
         if (parseJobs(v, o.jobs)) return true;
         problem = "option --jobs needs a number of jobs from 0 to 1024, not '" + v + "'";
         return false;
     },
     "run N tests at once, each job in a child process of its\n"
     "own, into one report as if one process had run them\n"
     "(also KXRT_JOBS; 0: as many as the processors rtrun may\n"
     "use; default 1). The longest tests of the last run go\n"
     "first; progress lines come as tests start, so their order\n"
     "may differ from the scripts'"},
    {"--serial", nullptr, "PATTERN",
     [](Options& o, const std::string& v, std::string&) { return o.serial.push_back(v), true; },
     "with --jobs: run the tests matching PATTERN (as for\n"
     "--filter; repeatable) one at a time, after the others"},
    {"--jobs-by", nullptr, "test|group",
     [](Options& o, const std::string& v, std::string& problem) {
         if (v == "test" || v == "group") return o.jobsByGroup = v == "group", true;
         problem = "option --jobs-by needs 'test' or 'group', not '" + v + "'";
         return false;
     },
     "with --jobs: what a job takes at a time, a single test\n"
     "(default) or a whole group, for tests that share files\n"
     "within their group"},
    {"--no-progress", nullptr, nullptr,
     [](Options& o, const std::string&, std::string&) { return o.noProgress = true; },
     "no status line at the bottom of the terminal (shown while\n"
     "a supervised run's standard error is a terminal)"},
    {"--in-process", nullptr, nullptr,
     [](Options& o, const std::string&, std::string&) { return o.inProcess = true; },
     "run the tests in rtrun's own process, without the\n"
     "supervisor that survives crashing tests (for a debugger)"},
    {"--list", nullptr, nullptr,
     [](Options& o, const std::string&, std::string&) { return chooseMode(o, Mode::eList); },
     "list every registered test case, per factory, and exit;\n"
     "with scripts, list the tests they would run (after\n"
     "--filter) without running them"},
    {"--init", nullptr, "DIR",
     [](Options& o, const std::string& v, std::string&) { return o.initDir = v, chooseMode(o, Mode::eInit); },
     "make a suite skeleton in DIR (Config/ with a sample\n"
     "script, Scripts/, GoldenData/, Results/) and exit"},
    {"--compare", nullptr, "OLD NEW",
     [](Options& o, const std::string& v, std::string&) { return o.compareOld = v, chooseMode(o, Mode::eCompare); },
     "list what changed from report OLD to report NEW: new\n"
     "failures, fixed, still failing, new and removed tests,\n"
     "much slower tests; exit 1 on new failures"},
    {"--markdown", nullptr, nullptr,
     [](Options& o, const std::string&, std::string&) { return o.markdown = true; },
     "--compare writes Markdown, for a CI comment"},
    {"--merge", nullptr, "OUT_DIR REPORT...",
     [](Options& o, const std::string& v, std::string&) { return o.mergeDir = v, chooseMode(o, Mode::eMerge); },
     "merge the reports of a run's shards (or the shard\n"
     "directories holding them) into one report in OUT_DIR,\n"
     "with its page and e-mail summary"},
    {"--accept", nullptr, nullptr,
     [](Options& o, const std::string&, std::string&) { return chooseMode(o, Mode::eAccept); },
     "(rtrun --accept [REPORT]) copy the outputs of the failed\n"
     "golden checks of REPORT (default: the latest report in the\n"
     "result directory) over the references they were compared\n"
     "with, print each file replaced, and exit (with --filter,\n"
     "only the tests it selects)"},
    {"--dry-run", nullptr, nullptr,
     [](Options& o, const std::string&, std::string&) { return o.dryRun = true; },
     "--accept lists the references it would replace, and copies nothing"},
    {"--failed", nullptr, "REPORT",
     [](Options& o, const std::string& v, std::string&) { return o.failedFrom = v, chooseMode(o, Mode::eFailed); },
     "print a test script holding the failed and interrupted\n"
     "tests of REPORT (as the scripts named them), and exit"},
    {"--rerun-failed", nullptr, "REPORT",
     [](Options& o, const std::string& v, std::string&) { return o.failedFrom = v, true; },
     "run the failed and interrupted tests of REPORT again, into\n"
     "the directory <run>-rerun/ beside REPORT (their script is\n"
     "kept beside REPORT as <run>.rerun.rt)"},
    {"--junit", nullptr, "FILE",
     [](Options& o, const std::string& v, std::string&) { return o.junit = v, true; },
     "also write the run's results as JUnit XML to FILE"},
    {"--junit-from", nullptr, "REPORT FILE",
     [](Options& o, const std::string& v, std::string&) { return o.junitFrom = v, chooseMode(o, Mode::eJUnitFrom); },
     "convert an existing report (one cut short by a dead run too)\n"
     "to JUnit XML in FILE, and exit"},
    {"--history", nullptr, nullptr,
     [](Options& o, const std::string&, std::string&) { return chooseMode(o, Mode::eHistory); },
     "list the suite's recorded runs, one line each; with\n"
     "--filter, the last results and times of each matching test\n"
     "(--compare last NEW compares NEW with the run recorded before)"},
    {"--no-history", nullptr, nullptr,
     [](Options& o, const std::string&, std::string&) { return o.noHistory = true; },
     "record nothing into the run history (also KXRT_HISTORY=off;\n"
     "KXRT_HISTORY names another file or a postgresql:// server)"},
    {"--history-keep", nullptr, "N",
     [](Options& o, const std::string& v, std::string& problem) {
         char* end = nullptr;
         const long n = std::strtol(v.c_str(), &end, 10);
         if (*end != '\0' || n < 1 || n > 1000000000) {
             problem = "option --history-keep needs a number of runs above 0, not '" + v + "'";
             return false;
         }
         o.historyKeep = static_cast<int>(n);
         return true;
     },
     "after recording, keep only the newest N runs of the suite\n"
     "on this platform in the history"},
    {"--version", nullptr, nullptr,
     [](Options& o, const std::string&, std::string&) { return chooseMode(o, Mode::eVersion); },
     "print the framework's version and build, and exit"},
    {"--help", "-h", nullptr,
     [](Options& o, const std::string&, std::string&) { return chooseMode(o, Mode::eHelp); },
     "print this help, and exit"},
};

// The option `arg` names, as "--name", "--name=value" or its alias; null for none.
const OptionSpec* optionNamed(const char* arg) {
    for (const OptionSpec& option : kOptions) {
        if (option.alias && std::strcmp(arg, option.alias) == 0) return &option;
        const std::size_t length = std::strlen(option.name);
        if (std::strncmp(arg, option.name, length) != 0) continue;
        if (arg[length] == '\0' || (arg[length] == '=' && option.value)) return &option;
    }
    return nullptr;
}

// The value of the option at argv[i]: after its '=' or the next argument.
bool takeValue(int argc, char** argv, int& i, const char* name, std::string& value, std::string& problem) {
    const char* equals = std::strchr(argv[i], '=');
    if (equals) {
        value = equals + 1;
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

// What the arguments left after the options mean, per mode.
bool checkArguments(Options& options, std::string& problem) {
    if (options.mode == Mode::eInit && !options.scripts.empty()) {
        problem = "--init takes no script";
        return false;
    }
    if (options.mode == Mode::eJUnitFrom) {
        // The output file follows the report, unless --junit named it.
        if (options.junit.empty() && options.scripts.size() == 1) options.junit = options.scripts.front();
        else if (!options.scripts.empty() || options.junit.empty()) {
            problem = "--junit-from takes a report and one output file: rtrun --junit-from REPORT.xml FILE";
            return false;
        }
        options.scripts.clear();
    }
    if (options.mode == Mode::eCompare) {
        if (options.scripts.size() != 1) {
            problem = "--compare takes two reports: rtrun --compare OLD.xml NEW.xml";
            return false;
        }
        options.compareNew = options.scripts.front();
        options.scripts.clear();
    }
    if (options.mode == Mode::eAccept && options.scripts.size() > 1) {
        problem = "--accept takes at most one report: rtrun --accept [--filter PATTERN] [REPORT.xml]";
        return false;
    }
    if (options.dryRun && options.mode != Mode::eAccept) {
        problem = "--dry-run goes with --accept";
        return false;
    }
    if (options.mode == Mode::eHistory && !options.scripts.empty()) {
        problem = "--history takes no script: rtrun --history [--filter PATTERN]";
        return false;
    }
    if (options.mode == Mode::eMerge && options.scripts.empty()) {
        problem = "--merge takes a directory and the shard reports: rtrun --merge OUT_DIR REPORT.xml...";
        return false;
    }
    if (!options.failedFrom.empty() && !options.scripts.empty()) {
        problem = "--failed and --rerun-failed take a report, not scripts";
        return false;
    }
    if (options.mode == Mode::eRun && options.scripts.empty() && options.failedFrom.empty()) {
        problem = "no test script given";
        return false;
    }
    return true;
}

} // namespace

bool parseJobs(const std::string& text, int& jobs) {
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 0 || n > 1024) return false;
    jobs = static_cast<int>(n);
    return true;
}

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
            continue;
        }
        if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* option = optionNamed(arg);
        if (!option) {
            problem = std::string("unknown option '") + arg + "'";
            return false;
        }
        std::string value;
        if (option->value && !takeValue(argc, argv, i, option->name, value, problem)) return false;
        if (!option->apply(options, value, problem)) return false;
    }
    return checkArguments(options, problem);
}

void printHelp() {
    std::printf(
        "Usage: rtrun [options] script...\n"
        "Runs each test script in order: a name in the suite's Config/ directory, else a\n"
        "path (absolute, or relative to the working directory),\n"
        "with the test libraries found beside the core library, and writes the run's report.\n"
        "\n"
        "Options:\n");
    const int column = 19;
    for (const OptionSpec& option : kOptions) {
        std::string head = std::string("  ") + option.name;
        if (option.value) head += std::string(" ") + option.value;
        // A long head gets a line of its own; the help starts in the column.
        if (static_cast<int>(head.size()) < column - 1) head.resize(column, ' ');
        else head += "\n" + std::string(column, ' ');
        std::string help;
        for (const char* c = option.help; *c; ++c) help += *c == '\n' ? "\n" + std::string(column, ' ') : std::string(1, *c);
        std::printf("%s%s\n", head.c_str(), help.c_str());
    }
    std::printf(
        "  --               end of options: every later argument is a script\n"
        "\n"
        "Directories can also be set one by one with KXRT_INDATA_DIR, KXRT_OUTDATA_DIR,\n"
        "KXRT_RESULT_DIR, KXRT_SCRIPT_DIR and KXRT_CONFIG_DIR. KXRT_PUBLISH_URL, the\n"
        "address where the result directory is published (http or https), makes the\n"
        "e-mail summary link to the page there instead of beside it.\n"
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
        "     result directory) or its report could not be written\n"
        "  128+N  the run was cancelled by signal N (130: SIGINT, 143: SIGTERM):\n"
        "     no test started after it, the running test was stopped and recorded\n"
        "     as interrupted, and the report, page, e-mail and JUnit file were made\n"
        "\n"
        "On Windows, Ctrl+C, Ctrl+Break and closing the console cancel as SIGINT,\n"
        "SIGBREAK and SIGTERM do. What differs there: a cancelled test is ended at\n"
        "once, so --kill-grace above 0 is refused with exit status 2; exit() in test\n"
        "code is recorded without its status; the status line needs a console that\n"
        "takes control sequences (Windows 10 and later); a postgresql:// history\n"
        "needs libpq.dll beside rtrun.exe, else the run goes on unrecorded.\n");
}

} // namespace rtrun
