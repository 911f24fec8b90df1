#pragma once
#include <Rt/corelib/KxExport.h>

// A library's build-information record: three marked, zero-padded text fields
// that tools can find in the binary, and a status byte.
struct KX_API KxBuildInfo {
    enum KxBuildStatus : int {
        eDevelopment = 'D',
        eNightly = 'N',
        eRelease = 'R',
    };

    char versionMarker[32];
    char version[112];
    char buildMarker[32];
    char build[104];
    char statusMarker[32];
    char status;
};

struct KX_API KxVersion {
    // "@(#)" followed by the core library's version text.
    static const char whatString[];
};

// Start and stop of the core library; the count lets several users nest them.
struct KX_API KxLib {
    static void init();
    static void fini();
    static int initCount();
};
