#include "driver/Info.h"
#include "driver/Msg.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> linesOf(const KxVec<KxString>& list) {
    std::vector<std::string> lines;
    for (const KxString& s : list) lines.push_back(s.toStdString());
    return lines;
}

TEST(Msg, ConstructorsFillTheErrorAndLeaveBothListsEmpty) {
    Rt::Msg first("TestDriver", "readFile", "", "", -13);
    EXPECT_EQ(first.getClassName().toStdString(), "TestDriver");
    EXPECT_EQ(first.getMethodName().toStdString(), "readFile");
    EXPECT_TRUE(first.getText1().isEmpty());
    EXPECT_TRUE(first.getText2().isEmpty());
    EXPECT_EQ(first.getCode(), -13);
    EXPECT_EQ(first.textList.size(), 0u);
    EXPECT_EQ(first.traceList.size(), 0u);

    Rt::Msg second(KxString("TestGroup"), KxString("executeD"), KxString("t1"), KxString("openObj"), -12);
    EXPECT_EQ(second.getMethodName().toStdString(), "executeD");
    EXPECT_EQ(second.getText1().toStdString(), "t1");
    EXPECT_EQ(second.getText2().toStdString(), "openObj");
    EXPECT_EQ(second.getCode(), -12);
    EXPECT_EQ(second.textList.size(), 0u);
    EXPECT_EQ(second.traceList.size(), 0u);
}

TEST(Msg, SetAtrKeepsPairsInOrder) {
    Rt::Msg msg("TestGroup", "executeI", "", "writeObj", -12);
    msg.textList.append("Group");
    msg.traceList.append("");
    msg.setAtr("Time", "1.00 Seconds");
    msg.setAtr("Title", "G");
    EXPECT_EQ(linesOf(msg.textList), (std::vector<std::string>{"Group", "Time", "Title"}));
    EXPECT_EQ(linesOf(msg.traceList), (std::vector<std::string>{"", "1.00 Seconds", "G"}));
}

TEST(Msg, CopiesHaveTheirOwnLists) {
    Kx::SharedPtr<Rt::Msg> original(new Rt::Msg("TestGroup", "executeI", "a", "closeObj", -11));
    original->textList.append("line");
    original->setAtr("Name", "Value");

    Kx::SharedPtr<Rt::Msg> copy(new Rt::Msg(*original));
    EXPECT_EQ(copy->refCount(), 1);
    EXPECT_EQ(copy->getClassName().toStdString(), "TestGroup");
    EXPECT_EQ(copy->getText1().toStdString(), "a");
    EXPECT_EQ(copy->getText2().toStdString(), "closeObj");
    EXPECT_EQ(copy->getCode(), -11);
    EXPECT_EQ(linesOf(copy->textList), linesOf(original->textList));
    EXPECT_EQ(linesOf(copy->traceList), linesOf(original->traceList));

    copy->textList.append("extra");
    copy->setAtr("More", "Values");
    copy->textList[0] = "changed";
    EXPECT_EQ(linesOf(original->textList), (std::vector<std::string>{"line", "Name"}));
    EXPECT_EQ(linesOf(original->traceList), (std::vector<std::string>{"Value"}));

    Rt::Msg assigned("Other", "m", "", "", -15);
    assigned.textList.append("to be replaced");
    assigned = *copy;
    EXPECT_EQ(assigned.getClassName().toStdString(), "TestGroup");
    EXPECT_EQ(assigned.getCode(), -11);
    EXPECT_EQ(linesOf(assigned.textList), (std::vector<std::string>{"changed", "Name", "extra", "More"}));
    assigned.traceList.append("only here");
    EXPECT_EQ(copy->traceList.size(), 2u);

    Rt::Msg& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.textList.size(), 4u);
}

TEST(Msg, SetErrReplacesTheErrorAndKeepsTheLines) {
    Rt::Msg msg("TestDriver", "readFile", "", "", -13);
    msg.textList.append("first line");
    msg.setAtr("Key", "Val");
    msg.setErr("TestGroup", "executeW", "one", "two", -15);
    EXPECT_EQ(msg.getClassName().toStdString(), "TestGroup");
    EXPECT_EQ(msg.getMethodName().toStdString(), "executeW");
    EXPECT_EQ(msg.getText1().toStdString(), "one");
    EXPECT_EQ(msg.getText2().toStdString(), "two");
    EXPECT_EQ(msg.getCode(), -15);
    EXPECT_EQ(linesOf(msg.textList), (std::vector<std::string>{"first line", "Key"}));
    EXPECT_EQ(linesOf(msg.traceList), (std::vector<std::string>{"Val"}));
}

TEST(Msg, ReleasingTheLastReferenceGivesTheListsBack) {
    const std::int64_t booked = KxPlatform::instance().bookedMemory();
    {
        Kx::SharedPtr<Rt::Msg> msg(new Rt::Msg("TestSet", "executeW", "", "", -16));
        for (int i = 0; i < 10; ++i) msg->setAtr("n", "v");
        EXPECT_GT(KxPlatform::instance().bookedMemory(), booked);
    }
    EXPECT_EQ(KxPlatform::instance().bookedMemory(), booked);
}

TEST(Info, CopyAndAssignmentCarryAllSevenFields) {
    Rt::Info info;
    EXPECT_TRUE(info.getTitle().isEmpty());
    EXPECT_TRUE(info.getDesc().isEmpty());
    EXPECT_TRUE(info.getErrorString().isEmpty());
    info.setTitle("Box");
    info.setDesc("Checks a box");
    info.SetErrorString("bad corner");
    info.setType(Rt::eTestRegression);
    info.setStart(-4);
    info.setEnd(17);
    info.setExit(true);

    auto expectBox = [](Rt::Info& i) {
        EXPECT_EQ(i.getTitle().toStdString(), "Box");
        EXPECT_EQ(i.getDesc().toStdString(), "Checks a box");
        EXPECT_EQ(i.getErrorString().toStdString(), "bad corner");
        EXPECT_EQ(i.getType(), Rt::eTestRegression);
        EXPECT_EQ(i.getStart(), -4);
        EXPECT_EQ(i.getEnd(), 17);
        EXPECT_TRUE(i.getExit());
    };
    Rt::Info copy(info);
    expectBox(copy);

    Rt::Info assigned;
    assigned.setTitle("Other");
    assigned.setType(static_cast<Rt::TestType>(1));
    assigned.setStart(1);
    assigned.setEnd(2);
    assigned.setExit(false);
    assigned = info;
    expectBox(assigned);

    copy.setTitle("Changed");
    copy.setExit(false);
    EXPECT_EQ(info.getTitle().toStdString(), "Box");
    EXPECT_TRUE(info.getExit());
}

} // namespace
