// The peer of the whole-process benchmark: N trivial passing tests under
// GoogleTest, registered at start-up the way the TEST macro registers them
// (one test info and one factory per test), so that N can be chosen per run
// without compiling N test bodies.
//
//     gtest_trivial N --gtest_output=xml:FILE
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>

namespace {

class Trivial : public testing::Test {
public:
    void TestBody() override {}
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const long tests = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    for (long i = 0; i < tests; ++i) {
        const std::string name = "Trivial" + std::to_string(i);
        testing::RegisterTest("Bench", name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                              []() -> testing::Test* { return new Trivial; });
    }
    return RUN_ALL_TESTS();
}
