// The driver's script scanner on arbitrary script text, and for every Group
// object it finds the group scanner and the factory behind it, up to running
// the tests named. The scan must end, whatever the text, without a crash,
// undefined behaviour or a leak.
#include "FuzzSuite.h"
#include <cstdint>

namespace {

class ScriptScanner : public Rt::TestDriver {
public:
    ScriptScanner(int& argc, char** argv) : TestDriver(argc, argv) {}
    using TestDriver::executeI;
};

int argc = 1;
char program[] = "rtrun";
char* argv[] = {program, nullptr};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One run for the whole session: its report gathers what every input raises.
    static Kx::SharedPtr<ScriptScanner> scanner = [] {
        fuzzsupport::suiteBase();
        Kx::SharedPtr<ScriptScanner> made(new ScriptScanner(argc, argv));
        Kx::SharedPtrVec<Rt::TestSetFactory> factories;
        factories.append(Kx::SharedPtr<Rt::TestSetFactory>(new fuzzsupport::NamedFactory));
        made->setFactories(factories);
        return made;
    }();
    scanner->executeI(KxString(reinterpret_cast<const char*>(data), static_cast<int>(size)));
    return 0;
}
