#include "rtrun/system/Process.h"
#include <csignal>
#include <cstdio>

namespace rtrun {
namespace Process {

namespace {

const char* abbreviation(int signal) {
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    case SIGTRAP: return "SIGTRAP";
    case SIGSYS: return "SIGSYS";
    default: return "signal";
    }
}

// The kernel's reason for a fault; null for a code it does not describe.
const char* faultKind(int signal, int code) {
    if (signal == SIGSEGV) {
        if (code == SEGV_MAPERR) return "not mapped";
        if (code == SEGV_ACCERR) return "no permission for the access";
    } else if (signal == SIGBUS) {
        if (code == BUS_ADRALN) return "misaligned";
        if (code == BUS_ADRERR) return "no such physical address";
        if (code == BUS_OBJERR) return "object error (a mapped file cut short?)";
    } else if (signal == SIGFPE) {
        switch (code) {
        case FPE_INTDIV: return "integer divide by zero";
        case FPE_INTOVF: return "integer overflow";
        case FPE_FLTDIV: return "floating-point divide by zero";
        case FPE_FLTOVF: return "floating-point overflow";
        case FPE_FLTUND: return "floating-point underflow";
        case FPE_FLTRES: return "floating-point inexact result";
        case FPE_FLTINV: return "invalid floating-point operation";
        case FPE_FLTSUB: return "subscript out of range";
        default: return nullptr;
        }
    } else if (signal == SIGILL) {
        return "illegal instruction";
    }
    return nullptr;
}

} // namespace

std::string signalDetails(int signal, int code, std::uint64_t address, int sender) {
    std::string text = std::string(abbreviation(signal)) + ": ";
    if (signal == SIGABRT) return text + "abort() called";
    if (code <= 0) return text + "sent by process " + std::to_string(sender);
    const char* kind = faultKind(signal, code);
    char where[48];
    std::snprintf(where, sizeof(where), "address 0x%llx", static_cast<unsigned long long>(address));
    if (signal == SIGFPE) return text + (kind ? kind : "arithmetic fault") + " at " + where;
    return text + where + ": " + (kind ? kind : "fault code " + std::to_string(code));
}

} // namespace Process
} // namespace rtrun
