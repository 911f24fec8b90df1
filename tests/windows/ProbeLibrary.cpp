// Test libraries' misdeeds that rtrun.exe must account for on Windows: a
// test that dies of an access violation in a function of its own, one that
// ends the process with exit(), one that calls abort(), one that never returns, one that runs out
// of stack, and one that leaves a process running whose parent has already ended; and a test that passes,
// to show that a run goes on after them.
#include <Rt/Rt.h>
#include <cstdlib>
#include <fstream>
#include <string>
#include <windows.h>

namespace {

// Read at run time, so that no compiler drops the store through it.
int* volatile g_nowhere = nullptr;

__attribute__((noinline)) void writeThroughNull() { *g_nowhere = 42; }

class Crash : public Rt::TestSet {
public:
    void initialize() override { setTitle("Crash"); }
    bool executeW() override {
        writeThroughNull();
        return true;
    }
};

volatile bool g_forever = true;  // read at run time: no compiler sees the recursion never end

__attribute__((noinline)) int recurseForever(int depth) {
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    if (!g_forever) return depth;
    frame[1] = static_cast<char>(recurseForever(depth + 1));
    return frame[0] + frame[1];
}

class Overflows : public Rt::TestSet {
public:
    void initialize() override { setTitle("Overflows"); }
    bool executeW() override { return recurseForever(0) != 0; }
};

class Exits : public Rt::TestSet {
public:
    void initialize() override { setTitle("Exits"); }
    bool executeW() override { std::exit(3); }
};

// Starts the program its argument names through the command interpreter,
// which ends at once: the program is left an orphan, running.
class Leaves : public Rt::TestSet {
public:
    void initialize() override { setTitle("Leaves"); }
    bool executeW() override {
        std::string program = arg<std::string>(0);
        for (char& c : program)
            if (c == '/') c = '\\';  // a leading "/" would be one of start's options
        std::string command = "cmd.exe /c start /b " + program;
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
            return false;
        ::WaitForSingleObject(started.hProcess, 30000);
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
        return true;
    }
};

class Aborts : public Rt::TestSet {
public:
    void initialize() override { setTitle("Aborts"); }
    bool executeW() override { std::abort(); }
};

// With an argument, it first makes the file the argument names: a sign that it runs.
class Hangs : public Rt::TestSet {
public:
    void initialize() override { setTitle("Hangs"); }
    bool executeW() override {
        if (argCount() > 0) std::ofstream(arg<std::string>(0)).put('\n');
        for (;;) ::Sleep(1000);
    }
};

class Passes : public Rt::TestSet {
public:
    void initialize() override { setTitle("Passes"); }
    bool executeW() override { return true; }
};

Rt::TestSet* createCrash() { return new Crash; }
Rt::TestSet* createHangs() { return new Hangs; }
Rt::TestSet* createAborts() { return new Aborts; }
Rt::TestSet* createPasses() { return new Passes; }
Rt::TestSet* createExits() { return new Exits; }
Rt::TestSet* createLeaves() { return new Leaves; }
Rt::TestSet* createOverflows() { return new Overflows; }

class ProbeFactory : public Rt::TestSetFactory {
public:
    ProbeFactory() {
        _registerTestCase("Crash", &createCrash);
        _registerTestCase("Exits", &createExits);
        _registerTestCase("Leaves", &createLeaves);
        _registerTestCase("Hangs", &createHangs);
        _registerTestCase("Aborts", &createAborts);
        _registerTestCase("Passes", &createPasses);
        _registerTestCase("Overflows", &createOverflows);
    }
    const char* name() const override { return "WindowsProbes"; }
};

} // namespace

extern "C" __declspec(dllexport) Rt::TestSetFactory* acquireFactory() { return new ProbeFactory; }
