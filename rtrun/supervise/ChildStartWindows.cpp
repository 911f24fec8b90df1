// Without fork(), a supervised child is rtrun's program started again: the
// supervisor writes the piece, as text, into memory the child opens by its
// name, preceded by its length.
#include "rtrun/supervise/ChildStart.h"
#include "rtrun/supervise/ChildPieces.h"
#include "rtrun/supervise/HandedPiece.h"
#include "rtrun/system/ExitStatus.h"
#include <Rt/Rt.h>
#include "rtrun/system/Process.h"
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>

namespace rtrun {

int startPieceChild(const RunPlan& plan, const Piece& piece, int* errorPipe, int* outputPipe) {
    HandedPiece handed;
    handed.plan = plan;
    handed.piece = piece;
    handed.piece.log = nullptr;
    handed.log = piece.log->handle();
    handed.piece.board = nullptr;
    handed.piece.units = nullptr;
    if (piece.board) handed.board = piece.board->handle();
    if (piece.units) handed.units = *piece.units;
    handed.outputRelayed = outputPipe != nullptr;
    handed.takeEnvironment();
    const std::string text = handedPieceText(handed);
    const std::uint64_t length = text.size();
    // Never freed, as all shared memory here: one for each child started.
    char* memory = static_cast<char*>(Process::sharedMemory(sizeof(length) + text.size()));
    const std::string name = memory ? Process::sharedMemoryName(memory) : std::string();
    if (name.empty()) return -1;
    std::memcpy(memory, &length, sizeof(length));
    std::memcpy(memory + sizeof(length), text.data(), text.size());
    return Process::startProgramChild({kHandedPieceOption, name}, errorPipe, outputPipe);
}

namespace {

bool takeHandedPiece(const std::string& name, HandedPiece& handed, std::string& problem) {
    std::uint64_t length = 0;
    const void* head = Process::openSharedMemory(name, sizeof(length));
    if (head) std::memcpy(&length, head, sizeof(length));
    const char* memory = head && length < (1u << 30)
                             ? static_cast<const char*>(Process::openSharedMemory(name, sizeof(length) + length))
                             : nullptr;
    if (!memory) {
        problem = "the piece of the run in '" + name + "' cannot be opened";
        return false;
    }
    return readHandedPiece(std::string(memory + sizeof(length), length), handed, problem);
}

} // namespace

int runHandedPiece(const std::string& name) {
    Process::leaveCancelToSupervisor();
    Process::ignoreBrokenPipe();
    RtLib::init();
    HandedPiece handed;
    std::string problem;
    PieceLog* log = takeHandedPiece(name, handed, problem) ? PieceLog::open(handed.log, problem) : nullptr;
    ClaimBoard* board = log && !handed.board.memory.empty() ? ClaimBoard::open(handed.board) : nullptr;
    if (log && !handed.board.memory.empty() && !board) problem = "the supervisor's board cannot be opened";
    if (!log || (!handed.board.memory.empty() && !board)) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        return eCannotRun;
    }
    if (board) {
        handed.piece.board = board;
        handed.piece.units = &handed.units;
    }
    handed.giveEnvironment();
    // What the supervisor relays line by line it writes on with its own line
    // ends: a child writing "\r\n" into the pipe would double the "\r".
    ::_setmode(::_fileno(stderr), _O_BINARY);
    if (handed.outputRelayed) ::_setmode(::_fileno(stdout), _O_BINARY);
    handed.piece.log = log;
    ChildContext context{&handed.plan, &handed.piece};
    const int status = childBody(&context);
    // As a copy made by fork() would: no destructor of test code runs after its piece.
    std::fflush(nullptr);
    Process::endNow(status);
    return status;
}

} // namespace rtrun
