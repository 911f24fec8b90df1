#pragma once
// What the POSIX process files tell each other about the cancel signals.

namespace rtrun {
namespace Process {

// The process group a second cancel signal kills; 0: none.
void setGroupToKill(int group);
// In a new child: the cancel signals as they were when this process started.
void restoreStartSignals();

} // namespace Process
} // namespace rtrun
