#pragma once
// A private installation of rtrun for end-to-end runs: a temporary root
// holding bin/rtrun with the core library, the framework and the test
// libraries chosen by the test, and a suite (Config/, Scripts/, GoldenData/,
// Results/). On POSIX the libraries lie in lib/, which rtrun finds through
// its relative RUNPATH; on Windows they lie in bin/ beside rtrun.exe, with
// the run-time libraries it loads, as Windows finds libraries there. Either
// way the run sees exactly the libraries copied here.
#include "support/TempDir.h"
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

struct RunResult {
    // Standard output and error as text: on Windows, where a program ends its
    // lines with CRLF, each CRLF is read as "\n" when every line ends so (a
    // bare "\n" among them leaves the bytes as they are, to be seen).
    std::string out;
    std::string err;
    int status = -1; // exit status (POSIX: 128 + signal number when killed)
};

using Environment = std::vector<std::pair<std::string, std::string>>;

class Installation {
public:
    // Copies rtrun, the core library and the framework (on POSIX with their
    // versioned names, as installed; on Windows with the run-time libraries
    // the build puts beside rtrun.exe) from the build, and the example
    // suite's Scripts/.
    Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::string& root() const { return m_root; } // ends in "/"
    std::string bin() const { return m_root + "bin/"; }
    // Where the test libraries go: beside the core library.
    std::string lib() const;
    std::string program() const; // bin/rtrun, bin/rtrun.exe
    std::string suite() const { return m_root + "suite/"; }
    std::string config() const { return suite() + "Config/"; }
    std::string scripts() const { return suite() + "Scripts/"; }
    std::string results() const { return suite() + "Results/"; }

    // Copies a built file into lib/, under `name` or its own file name.
    void addLibrary(const std::string& builtPath, const std::string& name = "");
    void writeScript(const std::string& name, const std::string& text);

    // Runs bin/rtrun with `args`, with the suite as --suite unless
    // `withSuite` is false, in an environment holding only `env` (on
    // Windows also what a program needs to start there: SystemRoot, TEMP,
    // TMP, and Wine's own WINE* variables), after the shell commands
    // `shellBefore` (limits, signal dispositions; POSIX only: Windows has
    // no shell to run them, and refuses any).
    RunResult run(const std::vector<std::string>& args, const Environment& env = {}, bool withSuite = true,
                  const std::string& shellBefore = "");
    // The same run without --suite, from the working directory `dir`.
    RunResult runIn(const std::string& dir, const std::vector<std::string>& args);
#ifndef _WIN32
    // Runs bin/rtrun with `args` (and the suite) on a pseudo-terminal, as
    // from an interactive shell: `out` holds what the terminal showed.
    RunResult runOnTerminal(const std::vector<std::string>& args);
#endif
    // Starts the same run in the background, as the leader of a process
    // group of its own (its id is the run's; on Windows in a job object of
    // its own), its standard output to `outFd` when given; returns its
    // process id. `shellBefore` must end in the word that runs the command
    // ("exec ", "exec unshare -pf "); POSIX only, as for run().
    int start(const std::vector<std::string>& args, const Environment& env = {}, const std::string& shellBefore = "",
              int outFd = -1);
    // Waits for the run started as `pid`, at most `limit` seconds: after
    // that its process group (on Windows its job) is killed and the status
    // is -1.
    RunResult finish(int pid, double limit);

    // The run's XML report: the one ".xml" file in Results/; empty when none or several.
    std::string reportPath() const;
    // Removes everything below Results/.
    void clearResults();

private:
    // A run in the background: its number, and on Windows its process and job.
    struct Started {
        int number = 0;
        void* process = nullptr;
        void* job = nullptr;
    };
    // Where run `number` writes its standard output ("out") or error ("err"):
    // runs at the same time write files of their own.
    std::string outputOf(int number, const char* stream) const;
    // The standard output and error files of run `number`, read as text and removed.
    RunResult collect(int status, int number) const;

    testsupport::TempDir m_dir;
    std::string m_root;
    int m_runs = 0;                   // runs started so far
    std::map<int, Started> m_started; // runs in the background, by process id
};

// The file name of a path: everything after its last "/" (or, on Windows, "\\").
std::string fileNameOf(const std::string& path);

// A path as the system spells the paths it gives out: on Windows with "\\"
// for each "/".
std::string nativePath(std::string path);

// Copies the directory `from` with everything below it to `to` (made when
// missing; with or without its trailing "/"), over the files there.
void copyTree(const std::string& from, const std::string& to);

// The file name of the shared library `name` on this system: libNAME.so on
// POSIX, NAME.dll on Windows.
std::string libraryFile(const std::string& name);
// The suffix of a shared library's file name here: ".so", ".dll".
std::string librarySuffix();

// How rtrun tells a test's death here: by a bad pointer (a segmentation
// fault; on Windows an access violation), by abort() (SIGABRT is 22 on
// Windows), by exit() with `status` (on Windows without it: the C run time
// tells an exit handler none).
#ifdef _WIN32
constexpr bool kSignalsKill = false; // no signal kills a process on Windows
#else
constexpr bool kSignalsKill = true;
#endif
// A --timeout that a dying test's child outlives: under Wine a child takes
// over a second to die and be told of (its stack through DbgHelp, the
// libraries unloading), which a shorter limit would count as a hang.
extern const std::string kTimeout;
extern const char* const kSegfault;
extern const char* const kAborted;
std::string exited(int status);

// The run's name as the framework makes it for the local time, some minutes on.
std::string runNameNow(const std::string& platform, int minutesAhead = 0);

} // namespace e2e
