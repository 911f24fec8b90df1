// The benchmarks' test library: a trivial passing test case, one that
// sleeps as many seconds as its extension text says, and one that does as
// many million steps of arithmetic (a fixed amount of work, whatever else
// runs on the machine).
#include <Rt/Rt.h>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

class Trivial : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("Trivial");
        setDesc("returns true");
    }
    bool executeW() override { return true; }
};

double seconds(const KxString& ext) { return std::atof(ext.toStdString().c_str()); }

class Sleep : public Rt::TestSet {
public:
    void initialize() override { setTitle("Sleep"); }
    bool executeW() override {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds(getExt())));
        return true;
    }
};

class Spin : public Rt::TestSet {
public:
    void initialize() override { setTitle("Spin"); }
    bool executeW() override {
        const long steps = static_cast<long>(seconds(getExt()) * 1e6);
        volatile unsigned long sum = 0;
        for (long i = 0; i < steps; ++i) sum = sum + static_cast<unsigned long>(i);
        return true;
    }
};

Rt::TestSet* createTrivial() { return new Trivial; }
Rt::TestSet* createSleep() { return new Sleep; }
Rt::TestSet* createSpin() { return new Spin; }

class BenchFactory : public Rt::TestSetFactory {
public:
    BenchFactory() {
        _registerTestCase("Trivial", &createTrivial);
        _registerTestCase("Sleep", &createSleep);
        _registerTestCase("Spin", &createSpin);
    }
    const char* name() const override { return "Bench"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new BenchFactory; }
