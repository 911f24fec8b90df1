#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxBuildInfo.h>
#include <cstdint>

// Start and stop of the framework, and its build information. The first
// init() starts the core library and settles the environment (Rt::gStor);
// the fini() that brings the count below one releases both again.
class RT_API RtLib {
public:
    RtLib& operator=(const RtLib&) { return *this; }

    static void init();
    static void fini();
    static const char* version();
    static const char* build();
    static KxBuildInfo::KxBuildStatus status();

    static std::int32_t _refCount;
    static KxBuildInfo _tBuildInfo;
};
