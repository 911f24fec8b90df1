#include "Installation.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Variables that would steer the run away from the private installation.
bool isFiltered(const char* entry) {
    static const char* prefixes[] = {"KXRT_", "Uname=", "DEBUG=", "LD_LIBRARY_PATH=", "LD_PRELOAD="};
    for (const char* prefix : prefixes)
        if (std::strncmp(entry, prefix, std::strlen(prefix)) == 0) return true;
    return false;
}

void copyInto(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::status(from).permissions());
}

} // namespace

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

Installation::Installation() {
    char pattern[] = "/tmp/rte2e.XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    m_root = std::string(pattern) + "/";
    for (const char* dir :
         {"bin", "lib", "suite", "suite/Config", "suite/Scripts", "suite/GoldenData", "suite/Results"})
        fs::create_directory(m_root + dir);
    copyInto(RT_E2E_RTRUN, bin() + "rtrun");
    copyInto(RT_E2E_DI80, lib() + fileNameOf(RT_E2E_DI80));
    copyInto(RT_E2E_RT, lib() + fileNameOf(RT_E2E_RT));
}

Installation::~Installation() {
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
}

void Installation::addLibrary(const std::string& builtPath, const std::string& name) {
    copyInto(builtPath, lib() + (name.empty() ? fileNameOf(builtPath) : name));
}

void Installation::writeScript(const std::string& name, const std::string& text) {
    std::ofstream out(config() + name, std::ios::binary | std::ios::trunc);
    out << text;
}

RunResult Installation::run(const std::vector<std::string>& args, const Environment& env, bool withSuite) {
    std::vector<std::string> argv{bin() + "rtrun"};
    if (withSuite) {
        argv.push_back("--suite");
        argv.push_back(suite());
    }
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, env, m_root);
}

std::string Installation::reportPath() const {
    std::string found;
    int count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(results())) {
        if (entry.is_regular_file() && entry.path().extension() == ".xml") {
            found = entry.path().string();
            ++count;
        }
    }
    return count == 1 ? found : std::string();
}

void Installation::clearResults() {
    for (const fs::directory_entry& entry : fs::directory_iterator(results())) fs::remove_all(entry.path());
}

RunResult runProgram(const std::vector<std::string>& argv, const Environment& env, const std::string& scratchDir) {
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        if (!isFiltered(*e)) environment.emplace_back(*e);
    for (const auto& [name, value] : env) environment.push_back(name + "=" + value);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    const std::string outPath = scratchDir + "stdout.txt";
    const std::string errPath = scratchDir + "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    RunResult result;
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.err = std::string("could not start ") + args[0] + ": " + std::strerror(spawned);
        return result;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.status = 128 + WTERMSIG(status);
    result.out = readAll(outPath);
    result.err = readAll(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return result;
}

} // namespace e2e
