// What an installation is on every system: its directories, the files a
// test puts there, what a run left behind.
#include "Installation.h"
#include "support/TempSuite.h"
#include <cstdio>
#include <ctime>
#include <filesystem>

namespace e2e {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// Text whose every line ends in CRLF, as a Windows program writes it, with
// "\n" line ends; any other text as it is.
std::string asText(const std::string& bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return bytes;
        text += bytes[i];
    }
    return text;
}
#else
std::string asText(const std::string& bytes) { return bytes; }
#endif

} // namespace

std::string fileNameOf(const std::string& path) {
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("/\\");
#else
    const std::size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string nativePath(std::string path) {
#ifdef _WIN32
    for (char& c : path)
        if (c == '/') c = '\\';
#endif
    return path;
}

void copyTree(const std::string& from, const std::string& to) {
    // The C++ library of MinGW-w64 copies nothing into a target that ends in a separator.
    fs::path target(to);
    if (!target.has_filename()) target = target.parent_path();
    fs::copy(from, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

#ifdef _WIN32
const std::string kTimeout = "10";
const char* const kSegfault = "crashed: exception 0xC0000005 (access violation)";
const char* const kAborted = "crashed: signal 22 (Aborted)";
std::string exited(int) { return "exited"; }
#else
const std::string kTimeout = "1";
const char* const kSegfault = "crashed: signal 11 (Segmentation fault)";
const char* const kAborted = "crashed: signal 6 (Aborted)";
std::string exited(int status) { return "exited: status " + std::to_string(status); }
#endif

#ifdef _WIN32
std::string libraryFile(const std::string& name) { return name + ".dll"; }
std::string librarySuffix() { return ".dll"; }
std::string Installation::lib() const { return bin(); }
std::string Installation::program() const { return bin() + "rtrun.exe"; }
#else
std::string libraryFile(const std::string& name) { return "lib" + name + ".so"; }
std::string librarySuffix() { return ".so"; }
std::string Installation::lib() const { return m_root + "lib/"; }
std::string Installation::program() const { return bin() + "rtrun"; }
#endif

void Installation::addLibrary(const std::string& builtPath, const std::string& name) {
    const std::string to = lib() + (name.empty() ? fileNameOf(builtPath) : name);
    fs::copy_file(builtPath, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::status(builtPath).permissions());
}

void Installation::writeScript(const std::string& name, const std::string& text) {
    testsupport::writeBytes(config() + name, text);
}

std::string Installation::outputOf(int number, const char* stream) const {
    return m_root + "std" + stream + "-" + std::to_string(number) + ".txt";
}

RunResult Installation::collect(int status, int number) const {
    const std::string out = outputOf(number, "out"), err = outputOf(number, "err");
    RunResult result{asText(testsupport::readBytes(out)), asText(testsupport::readBytes(err)), status};
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}

std::string Installation::reportPath() const { return testsupport::onlyFileEndingIn(results(), ".xml"); }

void Installation::clearResults() {
    for (const fs::directory_entry& entry : fs::directory_iterator(results())) fs::remove_all(entry.path());
}

std::string runNameNow(const std::string& platform, int minutesAhead) {
    const std::time_t when = std::time(nullptr) + 60 * minutesAhead;
    std::tm t{};
#ifdef _WIN32
    localtime_s(&t, &when);
#else
    localtime_r(&when, &t);
#endif
    char name[64];
    std::snprintf(name, sizeof(name), "%.2d%.2d%.2d%s%.2d%.2d", t.tm_mon + 1, t.tm_mday, t.tm_year % 100,
                  platform.c_str(), t.tm_hour, t.tm_min);
    return name;
}

} // namespace e2e
