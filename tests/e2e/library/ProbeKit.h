#pragma once
// What the probe test libraries share: a passing test, to show that a run
// went on after a probe, and the creator of a test class.
#include <Rt/Rt.h>
#include <csignal>

namespace probekit {

class Pass : public Rt::TestSet {
public:
    void initialize() override { setTitle("Pass"); }
    bool executeW() override { return true; }
};

// Dies as a program does of a bad pointer: SIGSEGV on POSIX; on Windows,
// where raise() would only end the process, an access violation.
inline void segfault() {
#ifdef _WIN32
    int* volatile nowhere = nullptr;
    *nowhere = 42;
#else
    std::raise(SIGSEGV);
#endif
}

template <class T>
Rt::TestSet* make() {
    return new T;
}

} // namespace probekit
