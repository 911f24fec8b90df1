#pragma once
// What the probe test libraries share: a passing test, to show that a run
// went on after a probe, and the creator of a test class.
#include <Rt/Rt.h>

namespace probekit {

class Pass : public Rt::TestSet {
public:
    void initialize() override { setTitle("Pass"); }
    bool executeW() override { return true; }
};

template <class T>
Rt::TestSet* make() {
    return new T;
}

} // namespace probekit
