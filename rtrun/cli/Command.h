#pragma once

namespace rtrun {

// Parses rtrun's command line and carries out what it asks for: a run, a
// listing, or one of the report tools. Returns the exit status.
int dispatchCommand(int argc, char** argv);

} // namespace rtrun
