#pragma once
// The functions whose frames the stack tests look for, each defined on one
// line with the constant that names the line: the line of every call in it,
// which a return address into it names. The helper programs that run them
// are built without inlining and with debug information DbgHelp reads.
#include <windows.h>
#include <cstdlib>

__attribute__((noinline)) inline void parkHere(HANDLE ready) { ::SetEvent(ready); for (;;) ::Sleep(1000); } constexpr int kParkLine = __LINE__;
__attribute__((noinline)) inline DWORD WINAPI parkedThread(void* ready) { parkHere(ready); return 0; } constexpr int kParkedThreadLine = __LINE__;
__attribute__((noinline)) inline void waitHere(HANDLE thread) { ::WaitForSingleObject(thread, INFINITE); } constexpr int kWaitLine = __LINE__;

__attribute__((noinline)) inline void crashHere(volatile int* target) { *target = 1; } constexpr int kCrashLine = __LINE__;
__attribute__((noinline)) inline void callsCrashHere(volatile int* target) { crashHere(target); } constexpr int kCallsCrashLine = __LINE__;
// Where crashHere writes: addresses no process has mapped.
constexpr unsigned long long kCrashAddress = 0x10;
constexpr unsigned long long kSecondCrashAddress = 0x20;

// exit() in test code; the helper program tells its supervisor from an exit handler.
constexpr int kExitStatus = 3;
__attribute__((noinline)) inline void exitHere() { std::exit(kExitStatus); } constexpr int kExitLine = __LINE__;
