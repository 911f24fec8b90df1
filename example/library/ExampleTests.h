#pragma once
#include <Rt/Rt.h>

// Creators of the example test cases, one per test class.
namespace example {

// Geometry: plain checks of computed values against the script's arguments.
Rt::TestSet* createBoxVolume();
Rt::TestSet* createDegenerateBox();
Rt::TestSet* createRandomTransforms();

// Reporting: each shows one way a test tells the framework about a problem.
Rt::TestSet* createToleranceWarning();
Rt::TestSet* createExternalSolver();
Rt::TestSet* createThrowingBody();
Rt::TestSet* createUnhandledCoreError();
Rt::TestSet* createExpectedCoreError();

// Utilities: model files and node graphs.
Rt::TestSet* createReadModel();
Rt::TestSet* createWalkGraph();

// Raises a test problem of the given category (-15 error, -16 warning,
// -17 external error, -18 external warning) with one message line.
void raise(const Rt::TestSet& test, KxErrorCode code, const char* method, const KxString& line);

} // namespace example
