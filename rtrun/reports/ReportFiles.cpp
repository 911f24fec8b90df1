#include "rtrun/reports/ReportFiles.h"
#include <filesystem>
#include <regex>

namespace rtrun {

namespace fs = std::filesystem;

std::string besideReport(const std::string& reportPath, const char* extension) {
    const std::size_t dot = reportPath.rfind(".xml");
    return (dot == std::string::npos ? reportPath : reportPath.substr(0, dot)) + extension;
}

std::string newestFileIn(const std::string& dir, const std::function<bool(const std::string&)>& chosen) {
    std::error_code error;
    std::string found;
    fs::file_time_type newest;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
        if (!chosen(entry.path().filename().string()) || !entry.is_regular_file(error)) continue;
        const fs::file_time_type written = entry.last_write_time(error);
        if (found.empty() || written > newest) {
            found = entry.path().string();
            newest = written;
        }
    }
    return found;
}

std::string latestReportIn(const std::string& dir) {
    static const std::regex moved(".*-earlier[0-9]+\\.xml");
    return newestFileIn(dir, [](const std::string& name) {
        return name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0 && !std::regex_match(name, moved);
    });
}

} // namespace rtrun
