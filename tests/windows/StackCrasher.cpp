// A supervised child's last moments, for the stack tests: it takes the
// CrashNote in the file mapping named on its command line as its
// supervisor's, then dies in a known function: of an access violation
// ("crash"), through exit() ("exit"), which it notices in an exit handler as
// a run does, or of two access violations ("twice": a second thread's first,
// at kSecondCrashAddress, then the main thread's while the first waits).
#include "StackProbes.h"
#include "rtrun/system/CrashNote.h"
#include "rtrun/system/DeathNotice.h"
#include <cstring>

namespace {

DWORD WINAPI crashesFirst(void*) {
    callsCrashHere(reinterpret_cast<volatile int*>(kSecondCrashAddress));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, argv[1]);
    if (!mapping) return 3;
    void* shared = ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(rtrun::CrashNote));
    if (!shared) return 4;
    rtrun::CrashNote* note = static_cast<rtrun::CrashNote*>(shared);
    rtrun::Process::noticeDeaths(note);
    if (std::strcmp(argv[2], "twice") == 0) {
        if (!::CreateThread(nullptr, 0, &crashesFirst, nullptr, 0, nullptr)) return 6;
        while (note->state.load() == rtrun::CrashNote::eNone) ::Sleep(1);
        callsCrashHere(reinterpret_cast<volatile int*>(kCrashAddress));
    }
    if (std::strcmp(argv[2], "crash") == 0) callsCrashHere(reinterpret_cast<volatile int*>(kCrashAddress));
    if (std::strcmp(argv[2], "exit") == 0) {
        std::atexit(&rtrun::Process::noticeExit);
        exitHere();
    }
    return 5;
}
