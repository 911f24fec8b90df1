// Test code that does what a run must survive outside a test body, and
// around it: blocking until told (or signalled), ignoring SIGTERM, starting
// processes that outlive it, crashing in its destructor, hanging in
// initialize(), forking a copy that returns, and dying while its library is
// unloaded. A test's first argument names a file it writes its process id
// into once it is where the end-to-end test waits for it.
#include "ProbeKit.h"
#include <Rt/Rt.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string argument(const Rt::TestSet& test, std::uint32_t i) {
    return i < test.getArg().size() ? test.getArg()[i].toStdString() : std::string();
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Tells the waiting end-to-end test this process is here: the id, then the file's name.
void announce(const std::string& path, long pid) {
    const std::string part = path + ".part";
    if (std::FILE* file = std::fopen(part.c_str(), "w")) {
        std::fprintf(file, "%ld\n", pid);
        std::fclose(file);
        std::rename(part.c_str(), path.c_str());
    }
}

void sleepFor(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Blocks until "<marker>.go" exists (at most a minute); with a second
// argument "stubborn" it ignores SIGTERM first.
class Block : public Rt::TestSet {
public:
    void initialize() override { setTitle("Block"); }
    bool executeW() override {
        if (argument(*this, 1) == "stubborn") std::signal(SIGTERM, SIG_IGN);
        const std::string marker = argument(*this, 0);
        announce(marker, static_cast<long>(::getpid()));
        for (int i = 0; i < 6000 && !exists(marker + ".go"); ++i) sleepFor(0.01);
        return exists(marker + ".go");
    }
};

// Starts `sleep 30` with the test's standard output (with "setsid" as the
// second argument, in a session of its own), announces the sleep's id, and
// then blocks for ever, or returns when the third argument is "return".
class Spawn : public Rt::TestSet {
public:
    void initialize() override { setTitle("Spawn"); }
    bool executeW() override {
        const std::string marker = argument(*this, 0);
        const std::string command = (argument(*this, 1) == "setsid" ? "setsid " : "") + std::string("sleep 30 & echo $! >'") +
                                    marker + ".pid'";
        if (std::system(command.c_str()) != 0) return false;
        std::rename((marker + ".pid").c_str(), marker.c_str());
        if (argument(*this, 2) == "return") return true;
        for (;;) sleepFor(1);
    }
};

class DestructorCrash : public Rt::TestSet {
public:
    ~DestructorCrash() override { std::raise(SIGSEGV); }
    void initialize() override { setTitle("DestructorCrash"); }
    bool executeW() override { return true; }
};

class InitializeHang : public Rt::TestSet {
public:
    void initialize() override {
        for (;;) sleepFor(1);
    }
    bool executeW() override { return true; }
};

// fork() in the body; the copy returns into the framework as the test does.
class ForkReturns : public Rt::TestSet {
public:
    void initialize() override { setTitle("ForkReturns"); }
    bool executeW() override {
        const pid_t copy = ::fork();
        if (copy == 0) return true;
        int status = 0;
        return copy > 0 && ::waitpid(copy, &status, 0) == copy;
    }
};

// What the library does as it is unloaded: nothing, crash, or exit(0).
int g_atUnload = 0;

struct UnloadAction {
    ~UnloadAction() {
        if (g_atUnload == 1) std::raise(SIGSEGV);
        if (g_atUnload == 2) std::exit(0);
    }
} g_unloadAction;

// Arms the library's unloading: "crash" or "exit0" as its argument.
class AtUnload : public Rt::TestSet {
public:
    void initialize() override { setTitle("AtUnload"); }
    bool executeW() override {
        g_atUnload = argument(*this, 0) == "crash" ? 1 : 2;
        return true;
    }
};

class ErrorThenExit : public Rt::TestSet {
public:
    void initialize() override { setTitle("ErrorThenExit"); }
    bool executeW() override {
        reportStateE("about to leave", "before exit", "executeW", "");
        std::exit(0);
    }
};

using probekit::Pass;
using probekit::make;

class TrustFactory : public Rt::TestSetFactory {
public:
    TrustFactory() {
        _registerTestCase("Block", &make<Block>);
        _registerTestCase("Spawn", &make<Spawn>);
        _registerTestCase("DestructorCrash", &make<DestructorCrash>);
        _registerTestCase("InitializeHang", &make<InitializeHang>);
        _registerTestCase("ForkReturns", &make<ForkReturns>);
        _registerTestCase("AtUnload", &make<AtUnload>);
        _registerTestCase("ErrorThenExit", &make<ErrorThenExit>);
        _registerTestCase("Pass", &make<Pass>);
    }
    const char* name() const override { return "Trust"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new TrustFactory; }
