// A library with one passing test case; the factory's and the test's names
// come from the build, so several distinct libraries share this source.
#include <Rt/Rt.h>
#include <cstdio>

namespace {

class Mini : public Rt::TestSet {
public:
    void initialize() override {
        setTitle(MINI_TEST_NAME);
        setDesc(MINI_FACTORY_NAME " test");
    }
    bool executeW() override { return true; }
};

Rt::TestSet* createMini() { return new Mini; }

class MiniFactory : public Rt::TestSetFactory {
public:
    MiniFactory() { _registerTestCase(MINI_TEST_NAME, &createMini); }
    // Shows when the loader releases the factory; this code lives in the
    // library, so the release must come before the library is unloaded.
    ~MiniFactory() override { std::printf("released %s\n", MINI_FACTORY_NAME); }
    const char* name() const override { return MINI_FACTORY_NAME; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new MiniFactory; }
