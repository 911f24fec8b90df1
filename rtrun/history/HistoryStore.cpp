#include "rtrun/history/HistoryStore.h"

namespace rtrun {

bool isServerAddress(const std::string& location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

std::string shownLocation(const std::string& location) {
    if (!isServerAddress(location)) return location;
    const std::size_t start = location.find("://") + 3;
    const std::size_t end = location.find_first_of("/?", start);
    const std::size_t at = location.rfind('@', end == std::string::npos ? location.size() : end);
    std::string shown = location;
    if (at != std::string::npos && at >= start) {
        const std::size_t colon = location.find(':', start);
        if (colon < at) shown = location.substr(0, colon) + location.substr(at);
    }
    const std::size_t query = shown.find('?');
    if (query != std::string::npos && shown.find("password", query) != std::string::npos) shown.resize(query);
    return shown;
}

std::unique_ptr<HistoryStore> openHistoryStore(const std::string& location, bool mustExist, std::string& problem) {
    return isServerAddress(location) ? openPostgresStore(location, problem)
                                     : openSqliteStore(location, mustExist, problem);
}

} // namespace rtrun
