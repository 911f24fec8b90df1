// Cost of the test frame per test: runs groups of 1 000, 10 000 and 100 000
// trivial passing tests in-process, the way rtrun runs them (factory, group,
// frame, report), and prints the time, the heap allocations and the blocks
// the allocator recycled per test. All should stay the same however long the
// run grows.
#include <Rt/Rt.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// The benchmarks' trivial test library, compiled in.
extern "C" Rt::TestSetFactory* acquireFactory();

int main() {
    char base[] = "/tmp/rtframebench.XXXXXX";
    if (!::mkdtemp(base)) return 1;
    const std::string suite = std::string(base) + "/";
    ::setenv("KXRT_RELATIVE_PATH", suite.c_str(), 1);
    ::setenv("KXRT_PLAT_TARG", "BENCH", 1);
    // Progress lines go nowhere: the figures are the frame's, not the terminal's.
    if (!std::freopen("/dev/null", "w", stdout)) return 1;

    RtLib::init();
    Kx::SharedPtrVec<Rt::TestSetFactory> factories;
    factories.append(Kx::SharedPtr<Rt::TestSetFactory>(acquireFactory()));
    std::fprintf(stderr, "%10s %12s %14s %22s %22s\n", "tests", "seconds", "us per test", "heap allocs per test",
                 "recycled per test");
    for (int tests : {1000, 10000, 100000}) {
        std::string text;
        for (int i = 0; i < tests; ++i) text += "<Test><Title>Trivial</Title><Arg>1</Arg></Test>";
        KxString groupText(text.c_str());
        Rt::gResults = new Rt::GlobalResults;
        Kx::SharedPtr<Rt::TestGroup> group(new Rt::TestGroup);
        group->setFactories(factories);
        const std::uint64_t allocsBefore = KxPlatform::instance().allocCount();
        const std::uint64_t recycledBefore = KxPlatform::instance().recycledCount();
        const auto start = std::chrono::steady_clock::now();
        group->execute(groupText);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::uint64_t allocs = KxPlatform::instance().allocCount() - allocsBefore;
        const std::uint64_t recycled = KxPlatform::instance().recycledCount() - recycledBefore;
        Rt::gResults = nullptr;
        std::fprintf(stderr, "%10d %12.3f %14.2f %22.2f %22.1f\n", tests, seconds, 1e6 * seconds / tests,
                     static_cast<double>(allocs) / tests, static_cast<double>(recycled) / tests);
    }
    factories.freeStorage();
    RtLib::fini();
    const std::string remove = "rm -rf '" + suite + "'";
    return std::system(remove.c_str()) == 0 ? 0 : 1;
}
