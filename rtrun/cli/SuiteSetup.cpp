#include "rtrun/cli/SuiteSetup.h"
#include "rtrun/system/Files.h"
#include "env/Platform.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace rtrun {

namespace fs = std::filesystem;

namespace {

// The platform name of the system rtrun runs on, where the environment names none.
const char* systemPlatform() {
#if defined(_WIN32)
    return sizeof(void*) == 8 ? "WIN64" : "WIN32";
#elif defined(__APPLE__)
    return "MAC64";
#elif defined(__linux__)
    return sizeof(void*) == 8 ? "LNX64" : "LNX32";
#else
    return sizeof(void*) == 8 ? "UNX64" : "UNX32";
#endif
}

const char kSampleScript[] =
    "<Name>sample</Name>\n"
    "<Group>\n"
    "  <Name>Sample</Name>\n"
    "  <Desc>A first group: each Test names a test case of a loaded test library</Desc>\n"
    "  <Test><Title>BoxVolume</Title><Arg>2</Arg><Arg>3</Arg><Arg>4</Arg><Ext>24</Ext></Test>\n"
    "</Group>\n";

} // namespace

void chooseSuiteAndPlatform(const Options& options) {
    std::string base = options.suite;
    std::error_code error;
    if (base.empty() && !Rt::Platform::environment("KXRT_RELATIVE_PATH") && fs::is_directory("Config", error))
        base = fs::current_path(error).string();
    // The framework puts the suite's directory names right after the base.
    if (base.empty() && Rt::Platform::environment("KXRT_RELATIVE_PATH"))
        base = Rt::Platform::environment("KXRT_RELATIVE_PATH");
    if (!base.empty()) {
        base = withTrailingSlash(base);
        Rt::Platform::setEnvironment("KXRT_RELATIVE_PATH", base.c_str());
    } else if (options.mode == Mode::eRun || options.mode == Mode::eList) {
        const fs::path program = Rt::Platform::executablePath();
        std::fprintf(stderr, "rtrun: using the suite %s/ beside rtrun's directory: no --suite, no "
                     "KXRT_RELATIVE_PATH and no Config/ in the working directory\n",
                     program.parent_path().parent_path().string().c_str());
    }
    if (!options.platform.empty())
        Rt::Platform::setEnvironment("KXRT_PLAT_TARG", options.platform.c_str());
    else if (!Rt::Platform::environment("KXRT_PLAT_TARG") && !Rt::Platform::environment("Uname"))
        Rt::Platform::setEnvironment("KXRT_PLAT_TARG", systemPlatform());
}

bool resolveScripts(const std::vector<std::string>& scripts, std::vector<std::string>& resolved,
                    std::vector<TestIndex::Problem>* missing, std::string& problem) {
    const fs::path config = Rt::configDir().toStdString();
    std::error_code error;
    for (const std::string& script : scripts) {
        // On Windows a path rooted without a drive ("\dir\x.rt") counts as
        // relative; it names no file in Config/.
        const bool named = fs::path(script).is_relative() && !fs::path(script).has_root_directory();
        const bool inConfig = named && fs::is_regular_file(config / script, error);
        if (!inConfig && !fs::exists(script, error) && missing) {
            const std::string where = "not found: looked for " + forDisplay((config / script).string()) +
                                      (fs::path(script).is_relative()
                                           ? " and " + forDisplay(fs::absolute(script, error).string())
                                           : std::string());
            std::fprintf(stderr, "rtrun: script problem in %s: %s\n", script.c_str(), where.c_str());
            missing->push_back({script, where});
            continue;
        }
        if (inConfig || !fs::exists(script, error)) {
            resolved.push_back(script);  // one found nowhere is the driver's to report
            continue;
        }
        if (!fs::is_regular_file(script, error)) {
            problem = "the script " + script + " is not a file";
            return false;
        }
        const fs::path relative = fs::relative(fs::absolute(script, error), fs::absolute(config, error), error);
        resolved.push_back(error || relative.empty() ? fs::absolute(script, error).string() : relative.string());
    }
    return true;
}

void useInstalledTemplates() {
    if (Rt::Platform::environment("KXRT_SCRIPT_DIR")) return;  // chosen on purpose
    std::error_code error;
    if (fs::is_regular_file(Rt::scriptDir().toStdString() + "default.htm", error)) return;
    const std::string installed = installedScriptsDir();
    if (fs::is_regular_file(installed + "/default.htm", error)) Rt::setScriptDir((installed + "/").c_str());
}

std::string installedScriptsDir() {
    const fs::path program = Rt::Platform::executablePath();
    return (program.parent_path().parent_path() / "share" / "KxRt" / "Scripts").string();
}

bool initSuite(const std::string& dir, std::string& problem) {
    std::error_code error;
    const fs::path base = dir;
    if (fs::exists(base / "Config", error)) {
        problem = dir + " already holds a suite (Config/ exists)";
        return false;
    }
    for (const char* sub : {"Config", "Scripts", "GoldenData", "Results"}) {
        fs::create_directories(base / sub, error);
        if (error) {
            problem = "cannot make " + (base / sub).string() + ": " + error.message();
            return false;
        }
    }
    const std::string templates = installedScriptsDir();
    // File by file: a directory copied onto an existing one fails on Windows.
    for (fs::directory_iterator entry(templates, error); !error && entry != fs::directory_iterator();
         entry.increment(error)) {
        if (entry->is_regular_file(error))
            fs::copy_file(entry->path(), base / "Scripts" / entry->path().filename(), fs::copy_options::skip_existing,
                          error);
    }
    if (error) {
        problem = "cannot copy the templates from " + templates + ": " + error.message();
        return false;
    }
    std::ofstream sample(base / "Config" / "sample.rt", std::ios::binary);
    if (!(sample << kSampleScript)) {
        problem = "cannot write " + (base / "Config" / "sample.rt").string();
        return false;
    }
    return true;
}

} // namespace rtrun
