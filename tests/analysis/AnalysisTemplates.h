#pragma once
// Small e-mail templates whose output can be compared byte for byte: each
// object line shows every placeholder's value, separated by "|".
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <string>

namespace analysis {

// Writes head.em, head_d.em, open.em, object.em and close.em into `scriptDir`.
inline void writeTemplates(const std::string& scriptDir) {
    testsupport::writeBytes(scriptDir + "head.em", "HEAD\n");
    testsupport::writeBytes(scriptDir + "head_d.em", "HEAD_D\n");
    testsupport::writeBytes(scriptDir + "open.em",
                            "OPEN OBJ_PLATFORM OBJ_MACHINE OBJ_DATE OBJ_TIME OBJ_VERSION OBJ_PLATFORM\n");
    testsupport::writeBytes(
        scriptDir + "object.em",
        "[OBJ_BACKGROUNDCOLOR|OBJ_PADDINGTOP|OBJ_PADDINGBOTTOM|OBJ_MARGINLEFT|OBJ_TABLEWIDTH|OBJ_ID|"
        "OBJ_FONTCOLOR|OBJ_FONTSIZELEFT|OBJ_FONTSIZERIGHT|OBJ_TEXTLEFT|OBJ_TEXTRIGHT]\n");
    testsupport::writeBytes(scriptDir + "close.em", "CLOSE OBJ_LINKREPORT\n");
}

// The lines the templates give.
inline std::string openLine(const std::string& platform, const std::string& machine, const std::string& date,
                            const std::string& time) {
    return "OPEN " + platform + " " + machine + " " + date + " " + time + " " + testsupport::coreVersion() + " " +
           platform + "\n";
}
inline std::string groupLine(const std::string& title) {
    return "[black|0|0|0|600|Table|white|20|16|" + title + "|( KxE / E / W / EE / EW )]\n";
}
inline std::string failedLine(const std::string& title, const std::string& counts) {
    return "[firebrick|0|0|10|580|Table|white|12|12|" + title + "|" + counts + "]\n";
}
inline std::string externalLine(const std::string& title, const std::string& counts) {
    return "[teal|0|0|10|580|Table|white|12|12|" + title + "|" + counts + "]\n";
}
inline std::string closeLine(const std::string& link) { return "CLOSE " + link + "\n"; }

} // namespace analysis
