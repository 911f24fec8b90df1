// Without fork(), a supervised child is rtrun's program started again: the
// supervisor writes the piece, as text, into memory the child opens by its
// name, after a header the child marks once it has read it. A piece can be
// large (at several jobs it holds every test's unit), so the memory of the
// pieces read is given back before the next child starts.
#include "rtrun/supervise/ChildStart.h"
#include "rtrun/supervise/ChildPieces.h"
#include "rtrun/supervise/HandedPiece.h"
#include "rtrun/system/ExitStatus.h"
#include <Rt/Rt.h>
#include "rtrun/system/Process.h"
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <new>
#include <vector>

namespace rtrun {

namespace {

struct PieceHeader {
    std::atomic<int> taken;
    std::uint64_t length;
};

// The pieces handed to children that may not have read them yet.
std::vector<PieceHeader*>& handedPieces() {
    static std::vector<PieceHeader*> pieces;
    return pieces;
}

void releaseTakenPieces() {
    std::vector<PieceHeader*>& pieces = handedPieces();
    for (auto piece = pieces.begin(); piece != pieces.end();) {
        if (!(*piece)->taken.load(std::memory_order_acquire)) {
            ++piece;
            continue;
        }
        Process::releaseSharedMemory(*piece);
        piece = pieces.erase(piece);
    }
}

} // namespace

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
    releaseTakenPieces();
    void* memory = Process::sharedMemory(sizeof(PieceHeader) + text.size());
    const std::string name = memory ? Process::sharedMemoryName(memory) : std::string();
    if (name.empty()) return -1;
    PieceHeader* header = new (memory) PieceHeader;
    header->taken.store(0);
    header->length = text.size();
    std::memcpy(reinterpret_cast<char*>(header + 1), text.data(), text.size());
    const int pid = Process::startProgramChild({kHandedPieceOption, name}, errorPipe, outputPipe);
    if (pid < 0) Process::releaseSharedMemory(memory);
    else handedPieces().push_back(header);
    return pid;
}

namespace {

bool takeHandedPiece(const std::string& name, HandedPiece& handed, std::string& problem) {
    void* head = Process::openSharedMemory(name, sizeof(PieceHeader));
    const std::uint64_t length = head ? static_cast<PieceHeader*>(head)->length : 0;
    void* memory = head && length < (1u << 30) ? Process::openSharedMemory(name, sizeof(PieceHeader) + length) : nullptr;
    if (head) Process::releaseSharedMemory(head);
    if (!memory) {
        problem = "the piece of the run in '" + name + "' cannot be opened";
        return false;
    }
    PieceHeader* header = static_cast<PieceHeader*>(memory);
    const bool read = readHandedPiece(std::string(reinterpret_cast<const char*>(header + 1), length), handed, problem);
    header->taken.store(1, std::memory_order_release);
    Process::releaseSharedMemory(memory);
    return read;
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
