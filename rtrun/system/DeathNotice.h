#pragma once
// A supervised child's last moments: on a fatal signal, or on exit() from
// test code, it describes what happened in a CrashNote its supervisor
// shares and waits (bounded) until the supervisor has taken its stack.
// Nothing of this runs for a test that passes.

namespace rtrun {

struct CrashNote;

namespace Process {

// In the child: handlers for the fatal signals that are at their default
// action (a sanitizer's or the test's own handler stays), and an alternate
// stack so that a stack overflow is reported too. Without a note (a run
// without a supervisor) the handler prints what stack it can to standard
// error before the process dies.
void noticeDeaths(CrashNote* note);
// In the child, before it ends through exit() in test code.
void noticeExit();

} // namespace Process
} // namespace rtrun
