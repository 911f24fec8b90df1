// A library named like a test library that has no "acquireFactory".
extern "C" int e2eNoEntryMarker() { return 42; }
