#pragma once
// What the POSIX process files tell each other about the cancel signals.

namespace rtrun {
namespace Process {

// The process groups a second cancel signal kills: those of the children
// running now.
void addGroupToKill(int group);
void removeGroupToKill(int group);
// In a new child: the cancel signals as they were when this process started.
void restoreStartSignals();

} // namespace Process
} // namespace rtrun
