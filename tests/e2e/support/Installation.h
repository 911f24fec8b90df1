#pragma once
// A private installation of rtrun for end-to-end runs: a temporary root
// holding bin/rtrun, lib/ with the core library, the framework and the test
// libraries chosen by the test, and a suite (Config/, Scripts/, GoldenData/,
// Results/). rtrun finds lib/ through its relative RUNPATH, so the run sees
// exactly the libraries copied here.
#include "support/TempDir.h"
#include <string>
#include <utility>
#include <vector>

namespace e2e {

struct RunResult {
    std::string out; // standard output
    std::string err; // standard error
    int status = -1; // exit status; 128 + signal number when killed
};

using Environment = std::vector<std::pair<std::string, std::string>>;

class Installation {
public:
    // Copies rtrun, libDi80.so and libRt.so (with their versioned names, as
    // installed) from the build, and the example suite's Scripts/.
    Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::string& root() const { return m_root; } // ends in "/"
    std::string bin() const { return m_root + "bin/"; }
    std::string lib() const { return m_root + "lib/"; }
    std::string suite() const { return m_root + "suite/"; }
    std::string config() const { return suite() + "Config/"; }
    std::string scripts() const { return suite() + "Scripts/"; }
    std::string results() const { return suite() + "Results/"; }

    // Copies a built file into lib/, under `name` or its own file name.
    void addLibrary(const std::string& builtPath, const std::string& name = "");
    void writeScript(const std::string& name, const std::string& text);

    // Runs bin/rtrun with `args`, with the suite as --suite unless
    // `withSuite` is false, in an environment holding only `env`, after
    // the shell commands `shellBefore` (limits, signal dispositions).
    RunResult run(const std::vector<std::string>& args, const Environment& env = {}, bool withSuite = true,
                  const std::string& shellBefore = "");
    // Runs bin/rtrun with `args` (and the suite) on a pseudo-terminal, as
    // from an interactive shell: `out` holds what the terminal showed.
    RunResult runOnTerminal(const std::vector<std::string>& args);
    // Starts the same run in the background, as the leader of a process
    // group of its own (its id is the run's), its standard output to
    // `outFd` when given; returns its process id. `shellBefore` must end
    // in the word that runs the command ("exec ", "exec unshare -pf ").
    int start(const std::vector<std::string>& args, const Environment& env = {}, const std::string& shellBefore = "",
              int outFd = -1);
    // Waits for the run started as `pid`, at most `limit` seconds: after
    // that its process group is killed and the status is -1.
    RunResult finish(int pid, double limit);

    // The run's XML report: the one ".xml" file in Results/; empty when none or several.
    std::string reportPath() const;
    // Removes everything below Results/.
    void clearResults();

private:
    std::string command(const std::vector<std::string>& args, const Environment& env, bool withSuite) const;

    testsupport::TempDir m_dir;
    std::string m_root;
};

// The file name of a path: everything after its last "/".
std::string fileNameOf(const std::string& path);

// The run's name as the framework makes it for the local time, some minutes on.
std::string runNameNow(const std::string& platform, int minutesAhead = 0);

} // namespace e2e
