// A test library whose tests end in every way a run must still judge
// correctly: a body returning false, a test that cannot be made, test code
// calling exit(), and one that switches to a decimal-comma locale.
#include "ProbeKit.h"
#include <Rt/Rt.h>
#include <chrono>
#include <clocale>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <thread>
#include <stdexcept>
#include <string>

namespace {

class Simple : public Rt::TestSet {
public:
    explicit Simple(const char* title, bool result = true) : m_result(result) { setTitle(title); }
    void initialize() override {}
    bool executeW() override { return m_result; }

private:
    bool m_result;
};

class CtorThrows : public Rt::TestSet {
public:
    CtorThrows() { throw std::runtime_error("constructor refused"); }
    bool executeW() override { return true; }
};

class InitThrows : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("InitThrows");
        throw std::logic_error("initialize refused");
    }
    bool executeW() override { return true; }
};

class Exits : public Rt::TestSet {
public:
    Exits(int status, int errorsFirst) : m_status(status), m_errorsFirst(errorsFirst) {}
    void initialize() override { setDesc("ends the process"); }
    bool executeW() override {
        for (int i = 0; i < m_errorsFirst; ++i) reportStateE("about to leave", "before exit", "executeW", "");
        std::exit(m_status);
    }

private:
    int m_status;
    int m_errorsFirst;
};

// Its title is not the name a script asks for it by.
class Renamed : public Rt::TestSet {
public:
    void initialize() override { setTitle("Renamed for the report"); }
    bool executeW() override {
        reportStateE("always fails", "renamed", "executeW", "");
        return true;
    }
};

// Ends the process from its body with a signal, or never returns.
class Dies : public Rt::TestSet {
public:
    explicit Dies(int signal) : m_signal(signal) {}
    void initialize() override { setDesc("ends the process"); }
    bool executeW() override {
        reportStateE("about to die", "dies", "executeW", "");
        if (m_signal == SIGABRT) std::abort();
        if (m_signal == SIGSEGV) probekit::segfault();
        if (m_signal != 0) std::raise(m_signal);
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }

private:
    int m_signal;
};

// Fails when its extension text says "fail"; sleeps as many seconds as it says otherwise.
class Check : public Rt::TestSet {
public:
    void initialize() override { setTitle("Check"); }
    bool executeW() override {
        const std::string ext = getExt().toStdString();
        if (ext == "fail") reportStateE("told to fail", "ext", "executeW", "");
        else if (!ext.empty()) std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(ext.c_str())));
        return true;
    }
};

// Must run alone: fails when the marker file its extension names already
// exists (another test like it runs at the same time). Its title names the
// process that ran it.
class Alone : public Rt::TestSet {
public:
    void initialize() override { setTitle(("Alone " + std::to_string(::getpid())).c_str()); }
    bool executeW() override {
        const std::string marker = getExt().toStdString();
        const int fd = ::open(marker.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
        if (fd < 0) {
            reportStateE("another test ran at the same time", "alone", "executeW", "");
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::close(fd);
        ::unlink(marker.c_str());
        return true;
    }
};

// Sleeps as many seconds as its extension text says, under a title of its own.
class Sleep : public Rt::TestSet {
public:
    void initialize() override { setTitle("Sleep"); }
    bool executeW() override {
        std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(getExt().toStdString().c_str())));
        return true;
    }
};

class CommaLocale : public Rt::TestSet {
public:
    void initialize() override { setTitle("CommaLocale"); }
    bool executeW() override {
#ifdef _WIN32
        return std::setlocale(LC_ALL, "German_Germany.1252") != nullptr;
#else
        return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
#endif
    }
};

Rt::TestSet* makePass() { return new Simple("Pass"); }
Rt::TestSet* makeReturnFalse() { return new Simple("ReturnFalse", false); }
Rt::TestSet* makeCtorThrows() { return new CtorThrows; }
Rt::TestSet* makeInitThrows() { return new InitThrows; }
Rt::TestSet* makeCreatorThrows() { throw 42; }
Rt::TestSet* makeNothing() { return nullptr; }
Rt::TestSet* makeExit0() { return new Exits(0, 0); }
Rt::TestSet* makeExit3() { return new Exits(3, 0); }
Rt::TestSet* makeErrorThenExit0() { return new Exits(0, 1); }
Rt::TestSet* makeTwoErrorsThenExit0() { return new Exits(0, 2); }
Rt::TestSet* makeCommaLocale() { return new CommaLocale; }
Rt::TestSet* makeRenamed() { return new Renamed; }
Rt::TestSet* makeCheck() { return new Check; }
Rt::TestSet* makeAlone() { return new Alone; }
Rt::TestSet* makeSleep() { return new Sleep; }
Rt::TestSet* makeAbort() { return new Dies(SIGABRT); }
Rt::TestSet* makeSegv() { return new Dies(SIGSEGV); }
#ifndef _WIN32  // no signal kills a process on Windows
Rt::TestSet* makeKill() { return new Dies(SIGKILL); }
#endif
Rt::TestSet* makeHang() { return new Dies(0); }
Rt::TestSet* makeCrashInCreator() {
    probekit::segfault();
    return nullptr;
}

class VerdictFactory : public Rt::TestSetFactory {
public:
    VerdictFactory() {
        _registerTestCase("Pass", &makePass);
        _registerTestCase("ReturnFalse", &makeReturnFalse);
        _registerTestCase("CtorThrows", &makeCtorThrows);
        _registerTestCase("InitThrows", &makeInitThrows);
        _registerTestCase("CreatorThrows", &makeCreatorThrows);
        _registerTestCase("NullCreator", &makeNothing);
        _registerTestCase("Exit0", &makeExit0);
        _registerTestCase("Exit3", &makeExit3);
        _registerTestCase("ErrorThenExit0", &makeErrorThenExit0);
        _registerTestCase("TwoErrorsThenExit0", &makeTwoErrorsThenExit0);
        _registerTestCase("CommaLocale", &makeCommaLocale);
        _registerTestCase("Renamed", &makeRenamed);
        _registerTestCase("Check", &makeCheck);
        _registerTestCase("Alone", &makeAlone);
        _registerTestCase("Sleep", &makeSleep);
        _registerTestCase("Abort", &makeAbort);
        _registerTestCase("Segv", &makeSegv);
#ifndef _WIN32
        _registerTestCase("Kill", &makeKill);
#endif
        _registerTestCase("Hang", &makeHang);
        _registerTestCase("CrashInCreator", &makeCrashInCreator);
    }
    const char* name() const override { return "Verdict"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new VerdictFactory; }
