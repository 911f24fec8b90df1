#include "Installation.h"
#include "support/TempSuite.h"
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>

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

RunResult Installation::run(const std::vector<std::string>& args, const Environment& env, bool withSuite,
                            const std::string& shellBefore) {
    // An empty environment: nothing of this process's (KXRT_*, Uname, DEBUG, loader paths) steers the run.
    // A test that dies of a signal dies of it in a sanitizer build too.
    std::string command = shellBefore + "env -i ASAN_OPTIONS=handle_segv=0:handle_abort=0:handle_sigbus=0";
    for (const auto& [name, value] : env) command += " " + quoted(name + "=" + value);
    command += " " + quoted(bin() + "rtrun") + (withSuite ? " --suite " + quoted(suite()) : "");
    for (const std::string& arg : args) command += " " + quoted(arg);
    const std::string out = m_root + "stdout.txt", err = m_root + "stderr.txt";
    const int status = std::system((command + " >" + quoted(out) + " 2>" + quoted(err)).c_str());
    // The shell reports a program killed by a signal as 128 + the signal's number.
    RunResult result{testsupport::readBytes(out), testsupport::readBytes(err),
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}

std::string Installation::reportPath() const { return testsupport::onlyFileEndingIn(results(), ".xml"); }

void Installation::clearResults() {
    for (const fs::directory_entry& entry : fs::directory_iterator(results())) fs::remove_all(entry.path());
}

} // namespace e2e
