#include "Installation.h"
#include <ctime>
#include "support/TempSuite.h"
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <csignal>
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

} // namespace

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Installation::Installation() : m_dir("rte2e"), m_root(m_dir.path()) {
    for (const char* dir :
         {"bin", "lib", "suite", "suite/Config", "suite/Scripts", "suite/GoldenData", "suite/Results"})
        fs::create_directory(m_root + dir);
    copyInto(RT_E2E_RTRUN, bin() + "rtrun");
    installShared(RT_E2E_DI80, lib(), RT_E2E_DI80_SONAME, RT_E2E_DI80_LINKER_NAME);
    installShared(RT_E2E_RT, lib(), RT_E2E_RT_SONAME, RT_E2E_RT_LINKER_NAME);
    // The real page template, style files and e-mail templates.
    fs::copy(std::string(RT_E2E_EXAMPLE_SUITE) + "/Scripts", scripts(), fs::copy_options::recursive);
}

void Installation::addLibrary(const std::string& builtPath, const std::string& name) {
    copyInto(builtPath, lib() + (name.empty() ? fileNameOf(builtPath) : name));
}

void Installation::writeScript(const std::string& name, const std::string& text) {
    testsupport::writeBytes(config() + name, text);
}

std::string Installation::command(const std::vector<std::string>& args, const Environment& env, bool withSuite) const {
    // An empty environment: nothing of this process's (KXRT_*, Uname, DEBUG, loader paths) steers the run.
    // A test that dies of a signal dies of it in a sanitizer build too.
    std::string command = "env -i ASAN_OPTIONS=handle_segv=0:handle_abort=0:handle_sigbus=0";
    for (const auto& [name, value] : env) command += " " + quoted(name + "=" + value);
    command += " " + quoted(bin() + "rtrun") + (withSuite ? " --suite " + quoted(suite()) : "");
    for (const std::string& arg : args) command += " " + quoted(arg);
    return command;
}

int Installation::start(const std::vector<std::string>& args, const Environment& env, const std::string& shellBefore,
                        int outFd) {
    const std::string out = m_root + "stdout.txt", err = m_root + "stderr.txt";
    const std::string line = shellBefore + command(args, env, true) + (outFd < 0 ? " >" + quoted(out) : "") +
                             " 2>" + quoted(err);
    const pid_t pid = ::fork();
    if (pid != 0) {
        if (pid > 0) ::setpgid(pid, pid);
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
    const std::string out = m_root + "stdout.txt", err = m_root + "stderr.txt";
    RunResult result{testsupport::readBytes(out), testsupport::readBytes(err),
                     done != pid ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}

RunResult Installation::run(const std::vector<std::string>& args, const Environment& env, bool withSuite,
                            const std::string& shellBefore) {
    const std::string out = m_root + "stdout.txt", err = m_root + "stderr.txt";
    const int status =
        std::system((shellBefore + command(args, env, withSuite) + " >" + quoted(out) + " 2>" + quoted(err)).c_str());
    // The shell reports a program killed by a signal as 128 + the signal's number.
    RunResult result{testsupport::readBytes(out), testsupport::readBytes(err),
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}

RunResult Installation::runOnTerminal(const std::vector<std::string>& args) {
    const std::string script = m_root + "on-terminal.sh", out = m_root + "terminal.txt";
    testsupport::writeBytes(script, command(args, {}, true) + "\n");
    const int status = std::system(("script -qefc " + quoted("sh " + quoted(script)) + " /dev/null >" + quoted(out) +
                                    " 2>&1 </dev/null").c_str());
    RunResult result{testsupport::readBytes(out), "", WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    std::remove(out.c_str());
    return result;
}

std::string Installation::reportPath() const { return testsupport::onlyFileEndingIn(results(), ".xml"); }

void Installation::clearResults() {
    for (const fs::directory_entry& entry : fs::directory_iterator(results())) fs::remove_all(entry.path());
}

std::string runNameNow(const std::string& platform, int minutesAhead) {
    const std::time_t when = std::time(nullptr) + 60 * minutesAhead;
    std::tm t{};
    localtime_r(&when, &t);
    char name[64];
    std::snprintf(name, sizeof(name), "%.2d%.2d%.2d%s%.2d%.2d", t.tm_mon + 1, t.tm_mday, t.tm_year % 100,
                  platform.c_str(), t.tm_hour, t.tm_min);
    return name;
}

} // namespace e2e
