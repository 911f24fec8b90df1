#include "driver/Msg.h"
#include <gtest/gtest.h>
#include <string>

namespace {

std::string contentOf(const Rt::Msg& m) {
    std::string text = m.getClassName().toStdString() + "|" + m.getMethodName().toStdString() + "|" +
                       m.getText1().toStdString() + "|" + m.getText2().toStdString() + "|" +
                       std::to_string(m.getCode());
    for (std::uint32_t i = 0; i < m.textList.size(); ++i)
        text += " " + m.textList[i].toStdString() + "=" + m.traceList[i].toStdString();
    return text;
}

TEST(Msg, SetAtrAddsAPairAndSetErrReplacesTheErrorButKeepsThePairs) {
    Rt::Msg msg(KxString("TestGroup"), KxString("executeD"), KxString("t1"), KxString("openObj"), -12);
    msg.setAtr("Time", "1.00 Seconds");
    msg.setAtr("Title", "G");
    msg.setErr("TestSet", "executeW", "one", "two", -15);
    EXPECT_EQ(contentOf(msg), "TestSet|executeW|one|two|-15 Time=1.00 Seconds Title=G");
}

} // namespace
