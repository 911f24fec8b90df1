// A child handed a piece log and a claim board by their names, as rtrun's
// supervisor hands them to a child on Windows: it fills the log as a child
// that reaches `tests` tests does, notes a throw, then claims units until
// none is left. Its exit status is 10 plus the units it claimed; 2 and 3
// when the log or the board cannot be opened.
//   handover_child LOG CAPACITY SCRATCH THROWS TESTS BOARD UNITS SCRIPTS
#include "rtrun/run/ClaimBoard.h"
#include "rtrun/run/PieceLogWriter.h"
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 9) return 1;
    std::string problem;
    rtrun::PieceLog* log =
        rtrun::PieceLog::open(rtrun::PieceLog::Handle{argv[1], std::atoll(argv[2]), argv[3], argv[4]}, problem);
    if (!log) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 2;
    }
    const int tests = std::atoi(argv[5]);
    rtrun::PieceLogWriter beacon(*log, nullptr);
    for (int i = 0; i < tests; ++i) {
        Rt::TestInfo info;
        info.scriptIndex = i / 3;
        info.position = i % 3 + tests;
        beacon.testCreating(info);
        info.position = i % 3;
        if (i % 2) beacon.testNotCreated(info, Rt::CreationFailure::eNoTest, "");
    }
    log->noteThrow(tests - 1, "thrown in test " + std::to_string(tests - 1));
    rtrun::ClaimBoard* board = rtrun::ClaimBoard::open({argv[6], std::atoi(argv[7]), std::atoi(argv[8])});
    if (!board) return 3;
    int claimed = 0;
    while (board->claim(0) >= 0) ++claimed;
    return 10 + claimed;
}
