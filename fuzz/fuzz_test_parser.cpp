// The factory's parser of one Test object's text (Title, Arg and Ext), on
// arbitrary text. Whatever the text, the scan ends, and a test comes back
// only under a name the factory knows.
#include "FuzzSuite.h"
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Kx::SharedPtr<fuzzsupport::NamedFactory> factory = [] {
        fuzzsupport::suiteBase();
        Rt::gResults = new Rt::GlobalResults;  // where the parser's complaints go
        return Kx::SharedPtr<fuzzsupport::NamedFactory>(new fuzzsupport::NamedFactory);
    }();
    Kx::SharedPtr<Rt::TestSet> test(factory->create(KxString(reinterpret_cast<const char*>(data), static_cast<int>(size))));
    if (test) {
        bool known = false;
        for (const KxString& name : factory->testCases()) known = known || name == test->getTitle();
        if (!known) std::abort();
    }
    return 0;
}
