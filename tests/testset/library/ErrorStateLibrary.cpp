// A test library that leaves the core library's error state pointing into
// itself while it loads: its own error callback, and a current error of its
// own class.
#include <Rt/Rt.h>

namespace {

class LibraryError : public KxStdError {
public:
    LibraryError() : KxStdError("LibraryError", "acquireFactory", "", "raised while loading", 1) {}
};

void onError(bool) {}

class Factory : public Rt::TestSetFactory {
public:
    const char* name() const override { return "ErrorState"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() {
    KxErrorState::setErrorCallback(&onError);
    Kx::SharedPtr<KxStdError> error(new LibraryError);
    KxErrorState::setError(error.get());
    return new Factory;
}
