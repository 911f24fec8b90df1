#include "rtrun/reports/ReportFiles.h"
#include <filesystem>
#include <regex>

namespace rtrun {

namespace fs = std::filesystem;

std::string besideReport(const std::string& reportPath, const char* extension) {
    const std::size_t dot = reportPath.rfind(".xml");
    return (dot == std::string::npos ? reportPath : reportPath.substr(0, dot)) + extension;
}

std::string latestReportIn(const std::string& dir) {
    static const std::regex moved(".*-earlier[0-9]+\\.xml");
    std::error_code error;
    std::string found;
    fs::file_time_type newest;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".xml") != 0 || !entry.is_regular_file(error)) continue;
        if (std::regex_match(name, moved)) continue;
        const fs::file_time_type written = entry.last_write_time(error);
        if (found.empty() || written > newest) {
            found = entry.path().string();
            newest = written;
        }
    }
    return found;
}

} // namespace rtrun
