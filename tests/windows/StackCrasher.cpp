// A supervised child's last moments, for the stack tests: it takes the
// CrashNote in the file mapping named on its command line as its
// supervisor's, then dies in a known function: of an access violation
// ("crash") or through exit() ("exit"), which it notices in an exit handler
// as a run does.
#include "StackProbes.h"
#include "rtrun/system/CrashNote.h"
#include "rtrun/system/DeathNotice.h"
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, argv[1]);
    if (!mapping) return 3;
    void* shared = ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(rtrun::CrashNote));
    if (!shared) return 4;
    rtrun::Process::noticeDeaths(static_cast<rtrun::CrashNote*>(shared));
    if (std::strcmp(argv[2], "crash") == 0) callsCrashHere(reinterpret_cast<volatile int*>(kCrashAddress));
    if (std::strcmp(argv[2], "exit") == 0) {
        std::atexit(&rtrun::Process::noticeExit);
        exitHere();
    }
    return 5;
}
