// Installations on Windows: everything rtrun.exe loads beside it in bin/,
// rtrun.exe started with CreateProcess (there is no shell to start it), a run
// in the background in a job object of its own.
#include "Installation.h"
#include <windows.h>
#include <io.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace e2e {

namespace fs = std::filesystem;

namespace {

void copyInto(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// An argument as the C run time's command-line parser gives it back:
// quoted, with the backslashes before a quote (or the closing quote) doubled.
std::string quotedArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
    std::string word = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        word.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        word += c;
    }
    return word.append(2 * backslashes, '\\') + "\"";
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The environment block of a run: `env`, and of this process's variables
// those without which a program does not start or finds no place for its
// temporary files (SystemRoot, TEMP, TMP), and Wine's own (WINE*, absent on
// Windows itself), which tell a program started under Wine which Wine runs it.
std::string environmentBlock(const Environment& env) {
    std::vector<std::string> entries;
    std::vector<std::string> names;
    for (const auto& [name, value] : env) {
        entries.push_back(name + "=" + value);
        names.push_back(upper(name));
    }
    if (char* own = ::GetEnvironmentStringsA()) {
        for (const char* entry = own; *entry; entry += std::strlen(entry) + 1) {
            const std::string text = entry;
            const std::size_t equals = text.find('=', 1);
            if (equals == std::string::npos) continue;
            const std::string name = upper(text.substr(0, equals));
            const bool needed = name == "SYSTEMROOT" || name == "TEMP" || name == "TMP" || name.rfind("WINE", 0) == 0;
            if (needed && std::find(names.begin(), names.end(), name) == names.end()) entries.push_back(text);
        }
        ::FreeEnvironmentStringsA(own);
    }
    std::sort(entries.begin(), entries.end(),
              [](const std::string& a, const std::string& b) { return upper(a) < upper(b); });
    std::string block;
    for (const std::string& entry : entries) block += entry + '\0';
    return block + '\0';
}

HANDLE inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, TRUE};
    return ::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

void refuseShell(const std::string& shellBefore) {
    if (!shellBefore.empty())
        throw std::invalid_argument("no shell runs commands before rtrun on Windows: '" + shellBefore + "'");
}

} // namespace

Installation::Installation() : m_dir("rte2e"), m_root(m_dir.path()) {
    for (const char* dir : {"bin", "suite", "suite/Config", "suite/Scripts", "suite/GoldenData", "suite/Results"})
        fs::create_directory(m_root + dir);
    copyInto(RT_E2E_RTRUN, program());
    copyInto(RT_E2E_DI80, bin() + fileNameOf(RT_E2E_DI80));
    copyInto(RT_E2E_RT, bin() + fileNameOf(RT_E2E_RT));
    // The compiler's run-time libraries and the XML parser and SQLite, from beside the built rtrun.exe.
    const std::string built = fs::path(RT_E2E_RTRUN).parent_path().string() + "/";
    const std::string names = RT_E2E_RUNTIME_DLLS;
    for (std::size_t from = 0; from < names.size();) {
        const std::size_t bar = std::min(names.find('|', from), names.size());
        copyInto(built + names.substr(from, bar - from), bin() + names.substr(from, bar - from));
        from = bar + 1;
    }
    // The real page template, style files and e-mail templates.
    copyTree(std::string(RT_E2E_EXAMPLE_SUITE) + "/Scripts", scripts());
}

namespace {

// Starts the installation's rtrun.exe suspended, its standard output to
// `out` (a file path) or the handle `outHandle`, its standard error to `err`.
PROCESS_INFORMATION launch(const std::string& program, const std::string& suite, const std::vector<std::string>& args,
                           const Environment& env, bool withSuite, const std::string& dir, const std::string& out,
                           HANDLE outHandle, const std::string& err) {
    std::string commandLine = quotedArgument(program);
    if (withSuite) commandLine += " --suite " + quotedArgument(suite);
    for (const std::string& arg : args) commandLine += " " + quotedArgument(arg);
    std::string block = environmentBlock(env);
    HANDLE in = inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE outFile = outHandle ? INVALID_HANDLE_VALUE : inheritable(out, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE errFile = inheritable(err, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = outHandle ? outHandle : outFile;
    startup.hStdError = errFile;
    PROCESS_INFORMATION started{};
    const BOOL ok = ::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                     &block[0], dir.empty() ? nullptr : dir.c_str(), &startup, &started);
    const DWORD error = ::GetLastError();
    for (HANDLE handle : {in, outFile, errFile})
        if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    if (!ok) throw std::runtime_error("cannot start " + program + ": error " + std::to_string(error));
    return started;
}

DWORD exitCodeOf(HANDLE process) {
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process, &code);
    return code;
}

// Lets a launched run go and waits for its end: its exit code.
int runToEnd(const PROCESS_INFORMATION& started) {
    ::ResumeThread(started.hThread);
    ::CloseHandle(started.hThread);
    ::WaitForSingleObject(started.hProcess, INFINITE);
    const DWORD code = exitCodeOf(started.hProcess);
    ::CloseHandle(started.hProcess);
    return static_cast<int>(code);
}

} // namespace

RunResult Installation::run(const std::vector<std::string>& args, const Environment& env, bool withSuite,
                            const std::string& shellBefore) {
    refuseShell(shellBefore);
    const int number = ++m_runs;
    return collect(runToEnd(launch(program(), suite(), args, env, withSuite, "", outputOf(number, "out"), nullptr,
                                   outputOf(number, "err"))),
                   number);
}

RunResult Installation::runIn(const std::string& dir, const std::vector<std::string>& args) {
    const int number = ++m_runs;
    return collect(
        runToEnd(launch(program(), suite(), args, {}, false, dir, outputOf(number, "out"), nullptr, outputOf(number, "err"))),
        number);
}

int Installation::start(const std::vector<std::string>& args, const Environment& env, const std::string& shellBefore,
                        int outFd) {
    refuseShell(shellBefore);
    HANDLE outHandle = nullptr;
    if (outFd >= 0) {
        // The C run time's descriptor as a handle the run inherits.
        if (!::DuplicateHandle(::GetCurrentProcess(), reinterpret_cast<HANDLE>(_get_osfhandle(outFd)),
                               ::GetCurrentProcess(), &outHandle, 0, TRUE, DUPLICATE_SAME_ACCESS))
            throw std::runtime_error("descriptor " + std::to_string(outFd) + " has no handle to hand on");
    }
    const int number = ++m_runs;
    const PROCESS_INFORMATION started =
        launch(program(), suite(), args, env, true, "", outputOf(number, "out"), outHandle, outputOf(number, "err"));
    if (outHandle) ::CloseHandle(outHandle);
    // In a job before it runs: everything it starts is in the job too, and ends with it.
    HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
    if (job) ::AssignProcessToJobObject(job, started.hProcess);
    ::ResumeThread(started.hThread);
    ::CloseHandle(started.hThread);
    m_started[static_cast<int>(started.dwProcessId)] = {number, started.hProcess, job};
    return static_cast<int>(started.dwProcessId);
}

RunResult Installation::finish(int pid, double limit) {
    const auto found = m_started.find(pid);
    if (found == m_started.end()) throw std::invalid_argument("no run was started as " + std::to_string(pid));
    const Started run = found->second;
    m_started.erase(found);
    const HANDLE process = run.process, job = run.job;
    const bool done = ::WaitForSingleObject(process, static_cast<DWORD>(limit * 1000)) == WAIT_OBJECT_0;
    if (!done) {
        if (job) ::TerminateJobObject(job, 1);
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, INFINITE);
    }
    const DWORD code = exitCodeOf(process);
    ::CloseHandle(process);
    if (job) ::CloseHandle(job);
    return collect(done ? static_cast<int>(code) : -1, run.number);
}

} // namespace e2e
