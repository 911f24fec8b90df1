#pragma once
#include "results/RunObserver.h"

namespace rtrun {

// Watches what test code does with processes, in the process that runs the
// tests: a test that leaves processes running after its body gets a warning
// on standard error naming them, and they are killed; a copy of the process
// that test code made with fork() and that returns into the framework ends
// there instead of running the rest of the scripts a second time.
// It must be the first observer added: a copy must end before any other
// observer writes what the copy believes into memory shared with others.
class ProcessWatch : public Rt::RunObserver {
public:
    // Makes this process the adopter of what its tests start.
    ProcessWatch();
    void testNotCreated(const Rt::TestInfo& info, Rt::CreationFailure failure, const KxString& reason) override;
    void testInitializing(const Rt::TestInfo& info) override;
    void testStarted(const Rt::TestInfo& info, const Rt::TestSet& test, int reportId) override;
    void testEnded(const Rt::TestInfo& info, const Rt::TestSet& test, bool passed) override;
    void testDestroying(const Rt::TestInfo& info) override;
    void testDestroyed(const Rt::TestInfo& info) override;

private:
    void endIfCopy(const Rt::TestInfo& info) const;
};

} // namespace rtrun
