// A program with two threads parked in known functions, for stacks taken
// from outside: one in parkHere(), the main thread waiting for it. It sets
// the event named on its command line once the first one is parked.
#include "StackProbes.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    HANDLE ready = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    if (!ready) return 3;
    HANDLE thread = ::CreateThread(nullptr, 0, &parkedThread, ready, 0, nullptr);
    if (!thread) return 4;
    waitHere(thread);
    return 0;
}
