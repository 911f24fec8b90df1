#include "rtrun/history/HistoryPlace.h"
#include "rtrun/history/HistoryStore.h"
#include "rtrun/system/Files.h"
#include "env/GlobalStorage.h"
#include "env/Platform.h"
#include <filesystem>

namespace rtrun {

namespace {

namespace fs = std::filesystem;

std::string variable(const char* name) {
    const char* value = Rt::Platform::environment(name);
    return value ? value : "";
}

// The suite's base directory, as the framework will choose it.
std::string baseDir() {
    const std::string relative = variable("KXRT_RELATIVE_PATH");
    if (!relative.empty()) return relative;
    return Rt::GlobalStorage::basePathOf(Rt::Platform::executablePath().c_str()).toStdString();
}

std::string lastComponent(const std::string& dir) {
    std::error_code error;
    fs::path path = fs::absolute(dir, error).lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    return path.filename().string();
}

} // namespace

std::string HistoryPlace::shown() const { return shownLocation(location); }

HistoryPlace HistoryPlace::ofThisSuite(bool disabled, int keep) {
    HistoryPlace place;
    place.keep = keep;
    const std::string chosen = variable("KXRT_HISTORY");
    if (disabled || chosen == "off") return place;
    const std::string base = baseDir();
    place.suite = variable("KXRT_SUITE_NAME");
    if (place.suite.empty()) place.suite = lastComponent(base);
    if (!chosen.empty()) {
        place.location = chosen;
    } else {
        // The suite's own result directory: never a run's "-2/" or a shard's, which move it.
        const std::string results = variable("KXRT_RESULT_DIR");
        place.location = forDisplay(withTrailingSlash(results.empty() ? base + "Results/" : results) + "history.sqlite");
    }
    return place;
}

} // namespace rtrun
