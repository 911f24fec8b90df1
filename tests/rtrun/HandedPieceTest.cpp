#include "rtrun/supervise/HandedPiece.h"
#include <gtest/gtest.h>

namespace rtrun {
namespace {

// A piece with every field away from its default, and texts that would
// break a format of separators: colons, digits, newlines, bytes above 127.
HandedPiece fullPiece() {
    HandedPiece handed;
    handed.inDataDir = "C:/suite/InData/";
    handed.outDataDir = "C:/suite/OutData/";
    handed.resultDir = "C:/suite/Results/shard-1-of-3/";
    handed.scriptDir = "C:/Program Files/KxRt/share/KxRt/Scripts/";
    handed.configDir = "C:/suite/Config/";
    handed.platform = "WIN64";
    handed.machine = "build\xc3\xa9-7";
    handed.month = 12, handed.day = 7, handed.year = 2026, handed.hour = 23, handed.min = 59;
    RunPlan& plan = handed.plan;
    plan.scripts = {"smoke.rt", "12:34.rt", "", "with\nnewline.rt"};
    std::string problem;
    EXPECT_TRUE(plan.filter.add("Geometry/*", problem));
    EXPECT_TRUE(plan.filter.add("-*/Slow*", problem));
    EXPECT_TRUE(plan.serial.add("Db/*", problem));
    plan.libDirs = {"C:/libs"};
    plan.movedTo = "C:/suite/Results/1207262359-2/";
    plan.timeout = 0.1;
    plan.killGrace = 2.5;
    plan.shardIndex = 1, plan.shardCount = 3;
    plan.durations = 0;
    plan.jobs = 4;
    plan.jobsByGroup = true;
    plan.statusLine = true;
    plan.junit = "out/junit.xml";
    plan.history = HistoryPlace{"postgresql://ci@db/rt", "suite", 30};
    plan.runId = "4711";
    plan.runIdSource = "CI_PIPELINE_ID";
    plan.missingScripts = {{"gone.rt", "no such script"}, {"", ""}};
    handed.piece.number = 3;
    handed.piece.resumeScript = 2;
    handed.piece.resumePosition = 17;
    handed.piece.resultDir = "C:/suite/Results/.run.pieces/3/";
    handed.piece.unfinishedUnit = 9;
    handed.log = PieceLog::Handle{"Local\\rtrun-1-2", 4096, "C:/tmp/rts1.tmp", "C:/tmp/rts2.tmp"};
    handed.board = ClaimBoard::Handle{"Local\\rtrun-1-3", 3, 2};
    handed.units.unitOfTest = {0, 0, 1, 2, -1};
    handed.units.firstTest = {0, 2, 3};
    handed.outputRelayed = true;
    return handed;
}

TEST(HandedPiece, EveryFieldArrivesAsItWasSent) {
    const HandedPiece sent = fullPiece();
    HandedPiece got;
    std::string problem;
    ASSERT_TRUE(readHandedPiece(handedPieceText(sent), got, problem)) << problem;
    EXPECT_EQ(got.inDataDir, sent.inDataDir);
    EXPECT_EQ(got.outDataDir, sent.outDataDir);
    EXPECT_EQ(got.resultDir, sent.resultDir);
    EXPECT_EQ(got.scriptDir, sent.scriptDir);
    EXPECT_EQ(got.configDir, sent.configDir);
    EXPECT_EQ(got.platform, sent.platform);
    EXPECT_EQ(got.machine, sent.machine);
    EXPECT_EQ((std::vector<int>{got.month, got.day, got.year, got.hour, got.min}),
              (std::vector<int>{12, 7, 2026, 23, 59}));
    const RunPlan& plan = got.plan;
    EXPECT_EQ(plan.scripts, sent.plan.scripts);
    EXPECT_EQ(plan.filter.patterns(), "'Geometry/*' '-*/Slow*'");
    EXPECT_TRUE(plan.filter.selects("Geometry", "Area"));
    EXPECT_FALSE(plan.filter.selects("Geometry", "SlowArea"));
    EXPECT_TRUE(plan.serial.selects("Db", "Load"));
    EXPECT_FALSE(plan.serial.selects("Geometry", "Area"));
    EXPECT_EQ(plan.libDirs, sent.plan.libDirs);
    EXPECT_EQ(plan.movedTo, sent.plan.movedTo);
    EXPECT_EQ(plan.timeout, 0.1);  // exactly: a limit is compared with times
    EXPECT_EQ(plan.killGrace, 2.5);
    EXPECT_EQ(plan.shardIndex, 1);
    EXPECT_EQ(plan.shardCount, 3);
    EXPECT_EQ(plan.durations, 0);
    EXPECT_EQ(plan.jobs, 4);
    EXPECT_TRUE(plan.jobsByGroup);
    EXPECT_TRUE(plan.statusLine);
    EXPECT_EQ(plan.junit, sent.plan.junit);
    EXPECT_EQ(plan.history.location, "postgresql://ci@db/rt");
    EXPECT_EQ(plan.history.suite, "suite");
    EXPECT_EQ(plan.history.keep, 30);
    EXPECT_EQ(plan.runId, "4711");
    EXPECT_EQ(plan.runIdSource, "CI_PIPELINE_ID");
    ASSERT_EQ(plan.missingScripts.size(), 2u);
    EXPECT_EQ(plan.missingScripts[0].where, "gone.rt");
    EXPECT_EQ(plan.missingScripts[0].what, "no such script");
    EXPECT_EQ(got.piece.number, 3);
    EXPECT_EQ(got.piece.resumeScript, 2);
    EXPECT_EQ(got.piece.resumePosition, 17);
    EXPECT_EQ(got.piece.resultDir, sent.piece.resultDir);
    EXPECT_EQ(got.piece.unfinishedUnit, 9);
    EXPECT_EQ(got.log.memory, "Local\\rtrun-1-2");
    EXPECT_EQ(got.log.capacity, 4096);
    EXPECT_EQ(got.log.scratch, "C:/tmp/rts1.tmp");
    EXPECT_EQ(got.log.throws, "C:/tmp/rts2.tmp");
    EXPECT_EQ(got.board.memory, "Local\\rtrun-1-3");
    EXPECT_EQ(got.board.units, 3);
    EXPECT_EQ(got.board.scripts, 2);
    EXPECT_EQ(got.units.unitOfTest, sent.units.unitOfTest);
    EXPECT_EQ(got.units.firstTest, sent.units.firstTest);
    EXPECT_TRUE(got.outputRelayed);
}

// A child must never run a piece it misread: every cut, a changed length and
// foreign text are refused as a whole.
TEST(HandedPiece, CutOrAlteredTextIsRefused) {
    const std::string text = handedPieceText(fullPiece());
    std::string problem;
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        HandedPiece got;
        ASSERT_FALSE(readHandedPiece(text.substr(0, cut), got, problem)) << "cut at " << cut;
    }
    HandedPiece got;
    EXPECT_FALSE(readHandedPiece(text + "1:x", got, problem));
    std::string longer = text;
    longer.replace(longer.find("5:WIN64"), 7, "6:WIN64");
    EXPECT_FALSE(readHandedPiece(longer, got, problem));
    EXPECT_FALSE(readHandedPiece("13:rtrun-piece-9", got, problem));
    EXPECT_NE(problem.find("not a piece of a run"), std::string::npos) << problem;
    EXPECT_FALSE(readHandedPiece("99999999999999999999:x", got, problem));
}

} // namespace
} // namespace rtrun
