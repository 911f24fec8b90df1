#include "ExampleTests.h"
#include <stdexcept>

namespace {

// Warnings and external problems are raised as messages of their own codes
// (-16 warning, -17 external error, -18 external warning); a failed check
// raises a test error (-15).
void raiseMessage(const Rt::TestSet& test, KxErrorCode code, const char* method, const char* line) {
    Kx::SharedPtr<Rt::Msg> message(new Rt::Msg(test.getTitle(), method, "", "", code));
    if (!message) return;
    message->textList.append(line);
    KxErrorState::setError(message.get());
}

// A result slightly off but within the wider tolerance: a warning, not a failure.
class ToleranceWarning : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("ToleranceWarning");
        setDesc("A deviation within the loose tolerance only warns");
    }
    bool executeW() override {
        const double deviation = 1.5e-7;
        if (deviation > 1e-7) raiseMessage(*this, -16, "executeW", "deviation 1.5e-07 above 1e-07, within 1e-06");
        return deviation < 1e-6;
    }
};

// A problem outside the code under test (here: a solver it calls) is an
// external error, listed apart from the test's own errors.
class ExternalSolver : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("ExternalSolver");
        setDesc("The external constraint solver must converge");
    }
    bool executeW() override {
        raiseMessage(*this, -17, "solve", "solver stopped after 50 iterations, residual 3.2e-03");
        raiseMessage(*this, -18, "solve", "solver fell back to the dense method");
        return true;
    }
};

// Anything thrown out of a body is caught by the framework and reported.
class ThrowingBody : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("ThrowingBody");
        setDesc("A body that throws is reported, and the run goes on");
    }
    bool executeW() override { throw std::runtime_error("index out of range"); }
};

// A core-library error nobody handled is caught after the test as a leak.
class UnhandledCoreError : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("UnhandledCoreError");
        setDesc("A core-library error left unhandled is reported as a leak");
    }
    bool executeW() override {
        KxVec<int> values;
        values.append(1);
        values.remove(5, 1);  // raises the array's remove error
        return true;
    }
};

// Test code may switch off the counting of core-library errors around a call
// that is expected to raise one.
class ExpectedCoreError : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("ExpectedCoreError");
        setDesc("An expected core-library error does not fail the test");
    }
    bool executeW() override {
        command("disable");
        KxVec<int> values;
        values.append(1);
        const bool refused = !values.remove(3, 1);
        command("enable");
        return refused;
    }

private:
    void command(const char* word) {
        Kx::SharedPtr<Rt::Msg> message(new Rt::Msg(getTitle(), "executeW", "", word, -12));
        if (message) KxErrorState::setError(message.get());
    }
};

} // namespace

namespace example {
Rt::TestSet* createToleranceWarning() { return new ToleranceWarning; }
Rt::TestSet* createExternalSolver() { return new ExternalSolver; }
Rt::TestSet* createThrowingBody() { return new ThrowingBody; }
Rt::TestSet* createUnhandledCoreError() { return new UnhandledCoreError; }
Rt::TestSet* createExpectedCoreError() { return new ExpectedCoreError; }
} // namespace example
