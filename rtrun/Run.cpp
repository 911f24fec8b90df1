#include "rtrun/Run.h"
#include "rtrun/ScriptProblems.h"
#include "env/Platform.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace rtrun {

namespace {

// What the run leaves behind, read before the driver (and with it the
// results object) is gone.
struct RunOutcome {
    Rt::ErrorSummary totals;
    int scriptProblems = 0;
    std::string report;
    std::string page;
    std::string email;
};

std::string forDisplay(const KxString& path) {
    std::string text = path.toStdString();
    std::string tidy;
    for (char c : text) {
        if (c == '/' && !tidy.empty() && tidy.back() == '/') continue;
        tidy += c;
    }
    return tidy;
}

bool fileExists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

void applyEnvironment(const Options& options) {
    if (!options.suite.empty()) {
        std::string base = options.suite;
        if (base.back() != '/') base += '/';
        Rt::Platform::setEnvironment("KXRT_RELATIVE_PATH", base.c_str());
    }
    if (!options.platform.empty()) Rt::Platform::setEnvironment("KXRT_PLAT_TARG", options.platform.c_str());
}

void reportLoadFailures(const Rt::RtLibManager& manager) {
    for (const KxString& failure : manager.loadFailures())
        std::fprintf(stderr, "rtrun: could not load test library %s\n", failure.toStdString().c_str());
}

int listTestCases(Rt::RtLibManager& manager) {
    Kx::SharedPtrVec<Rt::TestSetFactory>& factories = manager.factories();
    if (factories.isEmpty()) std::printf("No test library found in %s\n", manager.searchDirectory().toStdString().c_str());
    for (const Kx::SharedPtr<Rt::TestSetFactory>& factory : factories) {
        std::printf("%s:\n", factory->name());
        for (const KxString& name : factory->testCases()) std::printf("  %s\n", name.toStdString().c_str());
    }
    return kPassed;
}

RunOutcome runScripts(const Options& options, Rt::RtLibManager& manager) {
    std::vector<std::string> arguments{"rtrun"};
    arguments.insert(arguments.end(), options.scripts.begin(), options.scripts.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    int argc = static_cast<int>(arguments.size());

    std::set<std::string> knownTests;
    for (const Kx::SharedPtr<Rt::TestSetFactory>& factory : manager.factories())
        for (const KxString& name : factory->testCases()) knownTests.insert(name.toStdString());

    RunOutcome outcome;
    Rt::TestDriver driver(argc, argv.data());
    ScriptProblems::watch(std::move(knownTests));
    driver.setFactories(manager.factories());
    driver.execute();
    ScriptProblems::stop();
    outcome.scriptProblems = ScriptProblems::count();
    if (Rt::gResults) {
        outcome.totals = Rt::gResults->errorSummary(0);
        if (Rt::TestReporter* reporter = Rt::gResults->testReporter()) {
            outcome.report = forDisplay(reporter->reportPath());
            outcome.page = forDisplay(reporter->pagePath());
            outcome.email = forDisplay(reporter->emailPath());
        }
    }
    return outcome;  // the driver goes here: the report is closed and summarised
}

void printOutcome(const RunOutcome& outcome) {
    const Rt::ErrorSummary& t = outcome.totals;
    std::printf("rtrun: %d error(s), %d warning(s), %d external error(s), %d external warning(s), "
                "%d core-library error(s)\n",
                t.errors(), t.warnings(), t.extErrors(), t.extWarnings(), t.kxErrors());
    if (!outcome.report.empty()) std::printf("Report: %s\n", outcome.report.c_str());
    if (fileExists(outcome.page)) std::printf("Page: %s\n", outcome.page.c_str());
    if (fileExists(outcome.email)) std::printf("E-mail summary: %s\n", outcome.email.c_str());
    if (outcome.scriptProblems > 0)
        std::fprintf(stderr, "rtrun: %d script problem(s), shown above; the report leaves them out\n",
                     outcome.scriptProblems);
}

} // namespace

int run(const Options& options) {
    if (options.mode == Mode::kHelp) {
        printHelp();
        return kPassed;
    }
    if (options.mode == Mode::kVersion) {
        std::printf("rtrun %s (build %s), core library %s\n", RtLib::version(), RtLib::build(),
                    KxVersion::whatString + 4);
        return kPassed;
    }

    applyEnvironment(options);
    RtLib::init();
    int status = kPassed;
    {
        Rt::RtLibManager manager;
        manager.loadTestLibs();
        reportLoadFailures(manager);
        if (options.mode == Mode::kList) {
            status = listTestCases(manager);
        } else {
            const std::string results = Rt::resultDir().toStdString();
            Rt::Platform::makeDirectory(results.c_str());
            if (!Rt::Platform::isWritableDirectory(results)) {
                std::fprintf(stderr, "rtrun: the result directory %s cannot be written (does its parent exist?)\n",
                             results.c_str());
                status = kCannotRun;
            } else {
                const RunOutcome outcome = runScripts(options, manager);
                std::fflush(stdout);
                printOutcome(outcome);
                const Rt::ErrorSummary& t = outcome.totals;
                const bool clean = t.errors() == 0 && t.extErrors() == 0 && outcome.scriptProblems == 0;
                status = clean ? kPassed : kFailed;
            }
        }
        manager.unloadTestLibs();
    }
    RtLib::fini();
    return status;
}

} // namespace rtrun
