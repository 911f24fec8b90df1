#pragma once
#include <atomic>
#include <cstdint>

namespace rtrun {

// What a dying child tells its supervisor, in memory they share, so that
// the supervisor can take its stack from outside: a process that has
// crashed cannot be trusted to unwind itself. The child fills in the facts,
// sets eWaiting and waits (bounded) until the supervisor has taken its
// stack (eTaken) or, when it may not trace the child, asks it to capture
// its own return addresses (eCaptureYourself -> eCaptured -> eTaken).
struct CrashNote {
    enum State : int { eNone, eWaiting, eTaken, eCaptureYourself, eCaptured };
    // eException (Windows): `code` holds the exception's code, `sender` how
    // the memory was touched (0 read, 1 write, 8 execute) and `address`
    // where, for an access violation.
    enum Cause : int { eSignal, eExit, eException };
    static constexpr int kMaxFrames = 64;
    // The longest a child takes to tell of its death, every wait for its
    // supervisor waited out; the supervisor does not time it out meanwhile.
    static constexpr double kLongestTellingSeconds = 45;

    std::atomic<int> state;
    std::atomic<int> claimed;  // by the first thread that dies
    int cause;
    int signal;              // with its siginfo code, sender and fault address
    int code;
    int sender;
    std::uint64_t address;
    std::uint64_t pc;        // where the thread was when it died; 0: unknown
    int tid;                 // the dying thread
    double when;             // monotonic seconds
    int frameCount;          // the captured addresses, innermost first
    std::uint64_t frames[kMaxFrames];

    void reset() {
        cause = signal = code = sender = tid = frameCount = 0;
        address = pc = 0;
        when = 0;
        claimed.store(0, std::memory_order_relaxed);
        state.store(eNone, std::memory_order_release);
    }
};

} // namespace rtrun
