#pragma once
#include <string>
#include <vector>

namespace rtrun {

// What rtrun is asked to do; a run unless an option chooses otherwise.
enum class Mode { eRun, eList, eHelp, eVersion, eInit, eJUnitFrom, eFailed, eCompare, eMerge, eAccept, eHistory };

struct Options {
    Mode mode = Mode::eRun;
    std::string suite;      // base directory of the suite, when given
    std::string platform;   // platform name, when given
    std::vector<std::string> scripts;
    std::vector<std::string> filters;  // --filter patterns, in order
    std::vector<std::string> libDirs;  // --lib-dir directories, in order
    int durations = 5;                 // how many of the slowest tests to name
    std::string initDir;               // --init: where to make a suite
    bool inProcess = false;            // run without a supervisor
    int shardIndex = -1, shardCount = 0;  // --shard I/N
    double timeout = 0;                // seconds a phase of test code may run; 0: no limit
    double killGrace = -1;             // seconds between SIGTERM and SIGKILL for a cancelled test; -1: not given
    std::string junit;      // the JUnit file to write: after the run, or from junitFrom
    std::string junitFrom;  // the report to convert (Mode::eJUnitFrom)
    std::string failedFrom; // the report whose failed tests --failed prints or --rerun-failed runs
    std::string compareOld, compareNew;  // --compare OLD NEW
    bool markdown = false;               // --compare writes Markdown
    std::string mergeDir;                // --merge OUT_DIR: where the merged report goes; inputs in scripts
    bool dryRun = false;                 // --accept lists what it would replace
    bool noHistory = false;              // record nothing into the run history
    int historyKeep = 0;                 // runs per suite and platform the history keeps; 0: all
    std::string runId;                   // --run-id: the run this one is a shard of
    int jobs = -1;                       // --jobs N; -1: not given
    std::vector<std::string> serial;     // --serial patterns
    bool jobsByGroup = false;            // --jobs-by group
    bool noProgress = false;             // --no-progress: no status line on a terminal
};

// "I/N": shard I (from 0) of N.
bool parseShard(const std::string& text, int& index, int& count);
// A number of jobs: 0 (as many as processors) to 1024.
bool parseJobs(const std::string& text, int& jobs);
// A positive number of seconds, as --timeout and KXRT_TEST_TIMEOUT give it.
bool parseSeconds(const std::string& text, double& seconds);

// False, with the reason in `problem`, for a command line that cannot run.
bool parseOptions(int argc, char** argv, Options& options, std::string& problem);
void printHelp();

} // namespace rtrun
