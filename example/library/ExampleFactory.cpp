#include "ExampleTests.h"

namespace {

class ExampleFactory : public Rt::TestSetFactory {
public:
    ExampleFactory() {
        _registerTestCase("BoxVolume", &example::createBoxVolume);
        _registerTestCase("DegenerateBox", &example::createDegenerateBox);
        _registerTestCase("RandomTransforms", &example::createRandomTransforms);
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

namespace example {

void raise(const Rt::TestSet& test, KxErrorCode code, const char* method, const KxString& line) {
    Kx::SharedPtr<Rt::Msg> message(new Rt::Msg(test.getTitle(), method, "", "", code));
    if (!message) return;
    message->textList.append(line);
    KxErrorState::setError(message.get());
}

} // namespace example

extern "C" Rt::TestSetFactory* acquireFactory() { return new ExampleFactory; }
