#pragma once
#include <Rt/Rt.h>

// Creators of the example test cases, one per test class.
namespace example {

// Geometry: checks of computed values against the script's arguments, and
// a table of results compared with its reference file.
Rt::TestSet* createBoxVolume();
Rt::TestSet* createDegenerateBox();
Rt::TestSet* createRandomTransforms();
Rt::TestSet* createPolygonAreas();

// Reporting: each shows one way a test tells the framework about a problem.
Rt::TestSet* createToleranceWarning();
Rt::TestSet* createExternalSolver();
Rt::TestSet* createThrowingBody();
Rt::TestSet* createUnhandledCoreError();
Rt::TestSet* createExpectedCoreError();

// Utilities: model files and node graphs.
Rt::TestSet* createReadModel();
Rt::TestSet* createWalkGraph();

} // namespace example
