// rtrun: runs test scripts with the test libraries found beside the core library.
#include "rtrun/cli/Command.h"

int main(int argc, char** argv) { return rtrun::dispatchCommand(argc, argv); }
