#pragma once
// Small e-mail templates whose output can be compared byte for byte: each
// object line shows every placeholder's value, separated by "|".
#include <string>

namespace analysis {

// Writes head.em, head_d.em, open.em, object.em and close.em into `scriptDir`.
void writeTemplates(const std::string& scriptDir);

// The lines the templates give.
std::string openLine(const std::string& platform, const std::string& machine, const std::string& date,
                     const std::string& time);
std::string groupLine(const std::string& title);
std::string failedLine(const std::string& title, const std::string& counts);
std::string externalLine(const std::string& title, const std::string& counts);
std::string closeLine(const std::string& link);

// The core library's version text as the open template shows it.
std::string versionText();

} // namespace analysis
