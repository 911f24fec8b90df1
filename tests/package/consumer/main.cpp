// Starts and stops the framework through the installed umbrella header and
// says which framework library the loader picked.
#include <Rt/Rt.h>
#include <cstdio>
#include <dlfcn.h>

// Only the public headers are installed, and only under the Rt/ prefix.
#if __has_include(<Rt/env/Platform.h>) || __has_include(<Rt/report/WholeFileReader.h>) || \
    __has_include("report/FileStream.h") || __has_include(<corelib/KxString.h>)
#error an internal header, or a header without the Rt/ prefix, is reachable from the installed package
#endif

int main() {
    RtLib::init();
    if (!Rt::gStor) return 2;
    // A core-library class used directly: the framework target must bring it.
    KxString version(RtLib::version());
    if (version.numChars() == 0) return 3;
    std::printf("KxRt %s build %s\n", RtLib::version(), RtLib::build());
    Dl_info where{};
    // The version text lives in the framework library's own data.
    if (::dladdr(RtLib::version(), &where) && where.dli_fname) std::printf("Rt library: %s\n", where.dli_fname);
    RtLib::fini();
    return Rt::gStor ? 4 : 0;
}
