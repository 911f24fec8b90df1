#include "driver/Info.h"
#include "driver/Msg.h"
#include <gtest/gtest.h>
#include <string>

namespace {

std::string joined(const KxVec<KxString>& list) {
    std::string text;
    for (std::uint32_t i = 0; i < list.size(); ++i) text += (i ? "," : "") + list[i].toStdString();
    return "[" + text + "]";
}

// The error part and both lists of a message, as "Class|method|text1|text2|code [text list] [trace list]".
std::string contentOf(const Rt::Msg& m) {
    return m.getClassName().toStdString() + "|" + m.getMethodName().toStdString() + "|" +
           m.getText1().toStdString() + "|" + m.getText2().toStdString() + "|" + std::to_string(m.getCode()) +
           " " + joined(m.textList) + " " + joined(m.traceList);
}

TEST(Msg, ConstructorsSetAtrAndSetErr) {
    EXPECT_EQ(contentOf(Rt::Msg("TestDriver", "readFile", "", "", -13)), "TestDriver|readFile|||-13 [] []");
    Rt::Msg msg(KxString("TestGroup"), KxString("executeD"), KxString("t1"), KxString("openObj"), -12);
    EXPECT_EQ(contentOf(msg), "TestGroup|executeD|t1|openObj|-12 [] []");

    msg.textList.append("Group");
    msg.traceList.append("");
    msg.setAtr("Time", "1.00 Seconds");
    msg.setAtr("Title", "G");
    EXPECT_EQ(contentOf(msg), "TestGroup|executeD|t1|openObj|-12 [Group,Time,Title] [,1.00 Seconds,G]");

    // setErr replaces the error and keeps the lines.
    msg.setErr("TestSet", "executeW", "one", "two", -15);
    EXPECT_EQ(contentOf(msg), "TestSet|executeW|one|two|-15 [Group,Time,Title] [,1.00 Seconds,G]");
}

TEST(Msg, CopiesHaveTheirOwnListsAndReleasingGivesTheListsBack) {
    const std::int64_t booked = KxPlatform::instance().bookedMemory();
    {
        Kx::SharedPtr<Rt::Msg> original(new Rt::Msg("TestGroup", "executeI", "a", "closeObj", -11));
        original->textList.append("line");
        original->setAtr("Name", "Value");
        const std::string before = contentOf(*original);
        EXPECT_EQ(before, "TestGroup|executeI|a|closeObj|-11 [line,Name] [Value]");

        Kx::SharedPtr<Rt::Msg> copy(new Rt::Msg(*original));
        EXPECT_EQ(copy->refCount(), 1);
        EXPECT_EQ(contentOf(*copy), before);
        copy->setAtr("More", "Values");
        copy->textList[0] = "changed";
        EXPECT_EQ(contentOf(*original), before);

        Rt::Msg assigned("Other", "m", "", "", -15);
        assigned.textList.append("to be replaced");
        assigned = *copy;
        EXPECT_EQ(contentOf(assigned), "TestGroup|executeI|a|closeObj|-11 [changed,Name,More] [Value,Values]");
        assigned.traceList.append("only here");
        EXPECT_EQ(copy->traceList.size(), 2u);
        Rt::Msg& self = assigned;
        assigned = self;
        EXPECT_EQ(assigned.textList.size(), 3u);
        EXPECT_GT(KxPlatform::instance().bookedMemory(), booked);
    }
    EXPECT_EQ(KxPlatform::instance().bookedMemory(), booked);
}

TEST(Info, CopyAndAssignmentCarryAllSevenFields) {
    auto fieldsOf = [](Rt::Info& i) {
        return i.getTitle().toStdString() + "|" + i.getDesc().toStdString() + "|" +
               i.getErrorString().toStdString() + "|" + std::to_string(i.getType()) + "|" +
               std::to_string(i.getStart()) + "|" + std::to_string(i.getEnd()) + "|" + std::to_string(i.getExit());
    };
    Rt::Info info;
    EXPECT_EQ(info.getTitle().toStdString() + info.getDesc().toStdString() + info.getErrorString().toStdString(), "");
    info.setTitle("Box");
    info.setDesc("Checks a box");
    info.SetErrorString("bad corner");
    info.setType(Rt::eTestRegression);
    info.setStart(-4);
    info.setEnd(17);
    info.setExit(true);
    const std::string box = "Box|Checks a box|bad corner|" + std::to_string(Rt::eTestRegression) + "|-4|17|1";
    EXPECT_EQ(fieldsOf(info), box);

    Rt::Info copy(info);
    EXPECT_EQ(fieldsOf(copy), box);
    Rt::Info assigned;  // every field differs before the assignment
    assigned = info;
    EXPECT_EQ(fieldsOf(assigned), box);
}

} // namespace
