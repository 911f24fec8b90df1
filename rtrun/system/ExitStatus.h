#pragma once

namespace rtrun {

// What rtrun's exit status says, whichever of its commands ran.
enum ExitStatus {
    ePassed = 0,     // every selected test ran and passed, and the report is complete
    eFailed = 1,     // a test failed or did not run, or a script or library had a problem
    eCannotRun = 2,  // the command could not be carried out, or its report was lost
};

} // namespace rtrun
