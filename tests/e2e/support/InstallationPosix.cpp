// Installations on POSIX: the libraries in lib/ with their versioned names,
// rtrun run through the shell, a run in the background as a process group.
#include "Installation.h"
#include "support/TempSuite.h"
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

namespace fs = std::filesystem;

namespace {

// A word for the shell, taken literally.
std::string quoted(const std::string& text) {
    std::string word = "'";
    for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

void copyInto(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::status(from).permissions());
}

// A shared library as an install lays it out: the file with the full version,
// the name the loader asks for (its SONAME) and the name a linker asks for,
// each a link to the one before.
void installShared(const std::string& builtPath, const std::string& lib, const std::string& soname,
                   const std::string& linkerName) {
    const std::string file = fileNameOf(builtPath);
    copyInto(builtPath, lib + file);
    fs::create_symlink(file, lib + soname);
    fs::create_symlink(soname, lib + linkerName);
}

// The shell command that runs the installation's rtrun with `args`.
std::string command(const Installation& install, const std::vector<std::string>& args, const Environment& env,
                    bool withSuite) {
    // An empty environment: nothing of this process's (KXRT_*, Uname, DEBUG, loader paths) steers the run.
    // A test that dies of a signal dies of it in a sanitizer build too.
    std::string command = "env -i ASAN_OPTIONS=handle_segv=0:handle_abort=0:handle_sigbus=0";
    for (const auto& [name, value] : env) command += " " + quoted(name + "=" + value);
    command += " " + quoted(install.program()) + (withSuite ? " --suite " + quoted(install.suite()) : "");
    for (const std::string& arg : args) command += " " + quoted(arg);
    return command;
}

} // namespace

Installation::Installation() : m_dir("rte2e"), m_root(m_dir.path()) {
    for (const char* dir :
         {"bin", "lib", "suite", "suite/Config", "suite/Scripts", "suite/GoldenData", "suite/Results"})
        fs::create_directory(m_root + dir);
    copyInto(RT_E2E_RTRUN, program());
    installShared(RT_E2E_DI80, lib(), RT_E2E_DI80_SONAME, RT_E2E_DI80_LINKER_NAME);
    installShared(RT_E2E_RT, lib(), RT_E2E_RT_SONAME, RT_E2E_RT_LINKER_NAME);
    // The real page template, style files and e-mail templates.
    copyTree(std::string(RT_E2E_EXAMPLE_SUITE) + "/Scripts", scripts());
}

int Installation::start(const std::vector<std::string>& args, const Environment& env, const std::string& shellBefore,
                        int outFd) {
    const int number = ++m_runs;
    const std::string line = shellBefore + command(*this, args, env, true) +
                             (outFd < 0 ? " >" + quoted(outputOf(number, "out")) : "") + " 2>" +
                             quoted(outputOf(number, "err"));
    const pid_t pid = ::fork();
    if (pid != 0) {
        if (pid > 0) {
            ::setpgid(pid, pid);
            m_started[pid].number = number;
        }
        return static_cast<int>(pid);
    }
    ::setpgid(0, 0);
    if (outFd >= 0) ::dup2(outFd, 1);
    ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
}

RunResult Installation::finish(int pid, double limit) {
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < static_cast<int>(limit * 100) && (done = ::waitpid(pid, &status, WNOHANG)) == 0; ++i)
        ::usleep(10000);
    if (done != pid) {
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    const int number = m_started[pid].number;
    m_started.erase(pid);
    return collect(done != pid ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), number);
}

RunResult Installation::run(const std::vector<std::string>& args, const Environment& env, bool withSuite,
                            const std::string& shellBefore) {
    const int number = ++m_runs;
    const int status = std::system((shellBefore + command(*this, args, env, withSuite) + " >" +
                                    quoted(outputOf(number, "out")) + " 2>" + quoted(outputOf(number, "err")))
                                       .c_str());
    // The shell reports a program killed by a signal as 128 + the signal's number.
    return collect(WIFEXITED(status) ? WEXITSTATUS(status) : -1, number);
}

RunResult Installation::runIn(const std::string& dir, const std::vector<std::string>& args) {
    return run(args, {}, false, "cd " + quoted(dir) + " && ");
}

RunResult Installation::runOnTerminal(const std::vector<std::string>& args) {
    const std::string script = m_root + "on-terminal.sh", out = m_root + "terminal.txt";
    testsupport::writeBytes(script, command(*this, args, {}, true) + "\n");
    const int status = std::system(("script -qefc " + quoted("sh " + quoted(script)) + " /dev/null >" + quoted(out) +
                                    " 2>&1 </dev/null").c_str());
    RunResult result{testsupport::readBytes(out), "", WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    std::remove(out.c_str());
    return result;
}

} // namespace e2e
