// A library whose entry point hands out no factory.
namespace Rt {
class TestSetFactory;
}
extern "C" Rt::TestSetFactory* acquireFactory() { return nullptr; }
