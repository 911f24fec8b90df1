// A test library whose one test dies of an access violation in a function
// of its own, for rtrun's account of a fatal exception on Windows.
#include <Rt/Rt.h>

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

Rt::TestSet* createCrash() { return new Crash; }

class CrashFactory : public Rt::TestSetFactory {
public:
    CrashFactory() { _registerTestCase("Crash", &createCrash); }
    const char* name() const override { return "Crash"; }
};

} // namespace

extern "C" __declspec(dllexport) Rt::TestSetFactory* acquireFactory() { return new CrashFactory; }
