// A library whose entry point throws instead of handing out a factory.
#include <stdexcept>
namespace Rt {
class TestSetFactory;
}
extern "C" Rt::TestSetFactory* acquireFactory() { throw std::runtime_error("no licence for this host"); }
