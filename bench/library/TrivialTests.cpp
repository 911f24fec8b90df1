// The benchmarks' test library: one trivial passing test case.
#include <Rt/Rt.h>

namespace {

class Trivial : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("Trivial");
        setDesc("returns true");
    }
    bool executeW() override { return true; }
};

Rt::TestSet* createTrivial() { return new Trivial; }

class BenchFactory : public Rt::TestSetFactory {
public:
    BenchFactory() { _registerTestCase("Trivial", &createTrivial); }
    const char* name() const override { return "Bench"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new BenchFactory; }
