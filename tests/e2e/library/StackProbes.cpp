// Test code that dies in ways whose record must say where: a segfault
// three calls deep, a hang in a second thread, an abort after a line on
// standard error, exit(3) from a named function, a body that throws, a
// crash on a stack it has overwritten, and a recursion that runs out of stack. The end-to-end test finds the lines
// it expects in the records by the markers in the comments here.
#include "ProbeKit.h"
#include <Rt/Rt.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace probes {

// No inlining and no tail calls: each function keeps a frame of its own.
#define PROBE __attribute__((noinline))
#define KEEP_FRAME() asm volatile("" ::: "memory")

PROBE void crashInner(int* where) {
    *where = 42;  // marker: the fault
    KEEP_FRAME();
}

PROBE void crashMiddle(int* where) {
    crashInner(where);  // marker: calls crashInner
    KEEP_FRAME();
}

PROBE void crashOuter(int* where) {
    crashMiddle(where);  // marker: calls crashMiddle
    KEEP_FRAME();
}

PROBE void waitForever() {
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

PROBE void quitWithThree() {
    std::exit(3);  // marker: calls exit
}

// Overwrites the frames of its callers, and then faults: nothing above the
// faulting frame can be unwound.
PROBE void smashAndCrash(int* where) {
    // Upward from this frame: the saved frame pointer, the return address
    // and the callers' frames.
    unsigned char* volatile frame = static_cast<unsigned char*>(__builtin_frame_address(0));
    for (int i = 0; i < 2048; ++i) frame[i] = 0x41;
    *where = 1;
    KEEP_FRAME();
}

volatile bool g_forever = true;  // read at run time: no compiler sees the recursion never end

// Calls itself with a frame of some size each time until the stack runs out.
PROBE int recurseForever(int depth) {
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    if (!g_forever) return depth;
    frame[1] = static_cast<char>(recurseForever(depth + 1));  // marker: calls itself
    return frame[0] + frame[1];
}

} // namespace probes

namespace {

int* volatile g_nowhere = nullptr;

class Segfault : public Rt::TestSet {
public:
    void initialize() override { setTitle("Segfault"); }
    bool executeW() override {
        probes::crashOuter(g_nowhere);
        return true;
    }
};

class HangInThread : public Rt::TestSet {
public:
    void initialize() override { setTitle("HangInThread"); }
    bool executeW() override {
        std::thread waiter(&probes::waitForever);
        waiter.join();
        return true;
    }
};

class AbortAfterLine : public Rt::TestSet {
public:
    void initialize() override { setTitle("AbortAfterLine"); }
    bool executeW() override {
        std::fprintf(stderr, "stack probe: bytes XML forbids: \x01 \xff.\nstack probe: the mesh has a degenerate edge\n");
        std::abort();
    }
};

class ExitThree : public Rt::TestSet {
public:
    void initialize() override { setTitle("ExitThree"); }
    bool executeW() override {
        probes::quitWithThree();
        return true;
    }
};

class Throws : public Rt::TestSet {
public:
    void initialize() override { setTitle("Throws"); }
    bool executeW() override { throw std::runtime_error("degenerate edge at index 3"); }
};

class CorruptStack : public Rt::TestSet {
public:
    void initialize() override { setTitle("CorruptStack"); }
    bool executeW() override {
        probes::smashAndCrash(g_nowhere);
        return true;
    }
};

class Overflows : public Rt::TestSet {
public:
    void initialize() override { setTitle("Overflows"); }
    bool executeW() override { return probes::recurseForever(0) != 0; }
};

using probekit::Pass;
using probekit::make;

class StackFactory : public Rt::TestSetFactory {
public:
    StackFactory() {
        _registerTestCase("Segfault", &make<Segfault>);
        _registerTestCase("HangInThread", &make<HangInThread>);
        _registerTestCase("AbortAfterLine", &make<AbortAfterLine>);
        _registerTestCase("ExitThree", &make<ExitThree>);
        _registerTestCase("Throws", &make<Throws>);
        _registerTestCase("CorruptStack", &make<CorruptStack>);
        _registerTestCase("Overflows", &make<Overflows>);
        _registerTestCase("Pass", &make<Pass>);
    }
    const char* name() const override { return "Stacks"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new StackFactory; }
