#include "ExampleTests.h"

namespace {

class ExampleFactory : public Rt::TestSetFactory {
public:
    ExampleFactory() {
        _registerTestCase("BoxVolume", &example::createBoxVolume);
        _registerTestCase("DegenerateBox", &example::createDegenerateBox);
        _registerTestCase("RandomTransforms", &example::createRandomTransforms);
        _registerTestCase("PolygonAreas", &example::createPolygonAreas);
        _registerTestCase("ToleranceWarning", &example::createToleranceWarning);
        _registerTestCase("ExternalSolver", &example::createExternalSolver);
        _registerTestCase("ThrowingBody", &example::createThrowingBody);
        _registerTestCase("UnhandledCoreError", &example::createUnhandledCoreError);
        _registerTestCase("ExpectedCoreError", &example::createExpectedCoreError);
        _registerTestCase("ReadModel", &example::createReadModel);
        _registerTestCase("WalkGraph", &example::createWalkGraph);
    }
    const char* name() const override { return "Example"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new ExampleFactory; }
