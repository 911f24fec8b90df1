#pragma once
// Test cases and a factory for checking how Test objects are turned into tests.
#include <Rt/Rt.h>
#include <string>
#include <vector>

namespace testsettest {

inline std::vector<std::string> toStrings(const KxVec<KxString>& list) {
    std::vector<std::string> out;
    for (const KxString& entry : list) out.push_back(entry.toStdString());
    return out;
}

// Remembers what it had been given when the factory initialised it.
class Box : public Rt::TestSet {
public:
    void initialize() override {
        ++initializeCalls;
        argsAtInitialize = toStrings(getArg());
        extAtInitialize = getExt().toStdString();
    }
    bool executeW() override { return true; }
    static Rt::TestSet* create() { return new Box; }

    int initializeCalls = 0;
    std::vector<std::string> argsAtInitialize;
    std::string extAtInitialize;
};

template <int N>
class Plain : public Rt::TestSet {
public:
    bool executeW() override { return true; }
    static Rt::TestSet* create() { return new Plain; }
};
using Crate = Plain<1>;
using Chest = Plain<2>;

// Records every name the factory is asked for.
class RecordingFactory : public Rt::TestSetFactory {
public:
    RecordingFactory() {
        _registerTestCase("Box", &Box::create);
        _registerTestCase("Crate", &Crate::create);
    }
    Rt::TestSet* createTestSet(const KxString& name) override {
        requested.push_back(name.toStdString());
        return Rt::TestSetFactory::createTestSet(name);
    }
    const char* name() const override { return "RecordingFactory"; }

    std::vector<std::string> requested;
};

} // namespace testsettest
