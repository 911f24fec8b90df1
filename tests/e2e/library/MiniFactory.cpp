// A library with one passing test case; the factory's and the test's names
// come from the build, so several distinct libraries share this source.
#include <Rt/Rt.h>
#include <cstdio>

// A test library in the build tree sees what an installed package shows: the
// public headers under the Rt/ prefix, nothing else of the framework.
#if __has_include(<Rt/env/Platform.h>) || __has_include(<Rt/results/RunEvents.h>) || \
    __has_include("report/FileStream.h") || __has_include(<corelib/KxString.h>)
#error an internal header, or a header without the Rt/ prefix, is reachable from a test library
#endif

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
