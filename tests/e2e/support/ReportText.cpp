#include "ReportText.h"
#include <cstdio>
#include <unistd.h>

namespace e2e {

ExpectedReport::ExpectedReport() : m_text("<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n") {}

void ExpectedReport::line(const std::string& text) { m_text += std::string(2 * m_depth, ' ') + text + "\r\n"; }

ExpectedReport& ExpectedReport::openGroup(int id) {
    char text[64];
    std::snprintf(text, sizeof(text), "<Group id=\"%.10d\">", id);
    line(text);
    ++m_depth;
    return *this;
}

ExpectedReport& ExpectedReport::openTest(int id) {
    char text[64];
    std::snprintf(text, sizeof(text), "<Test id=\"%.10d\">", id);
    line(text);
    ++m_depth;
    return *this;
}

ExpectedReport& ExpectedReport::record(const std::string& type, const std::string& method, const std::string& desc,
                                       const std::string& msg) {
    line("<" + type + ">");
    line("  <Method>" + method + "</Method>");
    line("  <Desc>" + desc + "</Desc>");
    line("  <Msg>" + msg + "</Msg>");
    line("</" + type + ">");
    return *this;
}

ExpectedReport& ExpectedReport::kxError(const std::string& method, const std::string& desc) {
    line("<KxError>");
    line("  <Method>" + method + "</Method>");
    line("  <Desc>" + desc + "</Desc>");
    line("</KxError>");
    return *this;
}

void ExpectedReport::values(const std::string& desc, const std::string& title, Counts counts) {
    line("<Time>T.TT Seconds</Time>");
    line("<Desc>" + desc + "</Desc>");
    line("<Title>" + title + "</Title>");
    line("<Summary>");
    line("  <KxErrors>" + std::to_string(counts.kx) + "</KxErrors>");
    line("  <Errors>" + std::to_string(counts.e) + "</Errors>");
    line("  <Warnings>" + std::to_string(counts.w) + "</Warnings>");
    line("  <ExtErrors>" + std::to_string(counts.ee) + "</ExtErrors>");
    line("  <ExtWarnings>" + std::to_string(counts.ew) + "</ExtWarnings>");
    line("</Summary>");
}

ExpectedReport& ExpectedReport::closeTest(const std::vector<std::string>& args, const std::string& ext,
                                          const std::string& desc, const std::string& title, Counts counts) {
    for (const std::string& arg : args) line("<Arg>" + arg + "</Arg>");
    line("<Ext>" + ext + "</Ext>");
    values(desc, title, counts);
    --m_depth;
    line("</Test>");
    return *this;
}

ExpectedReport& ExpectedReport::closeGroup(const std::string& desc, const std::string& title, Counts counts) {
    values(desc, title, counts);
    --m_depth;
    line("</Group>");
    return *this;
}

std::string ExpectedReport::finish(const std::string& machine, const std::string& platform,
                                   const std::string& version) {
    line("<Global>");
    line("  <Machine>" + machine + "</Machine>");
    line("  <Platform>" + platform + "</Platform>");
    line("  <RunTime>T.TT Seconds</RunTime>");
    line("  <Version>" + version + "</Version>");
    line("</Global>");
    return m_text + "</KxRegTester>\r\n";
}

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0) return "Unknown";
    return name;
}

} // namespace e2e
