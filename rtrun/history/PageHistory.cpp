#include "rtrun/history/PageHistory.h"
#include "rtrun/reports/ReportFiles.h"
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rtrun {

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + '"';
}

char letterOf(Verdict verdict) {
    static const char kLetters[] = "pfctxin";  // in the order of Verdict
    return kLetters[static_cast<int>(verdict)];
}

const char* stateName(FailureState::Kind kind) {
    switch (kind) {
    case FailureState::Kind::eNew: return "new";
    case FailureState::Kind::eFailingSince: return "failing";
    case FailureState::Kind::eFlaky: return "flaky";
    }
    return "new";
}

} // namespace

std::string pageHistoryPathBeside(const std::string& reportPath) { return besideReport(reportPath, ".history.json"); }

std::string pageHistoryJson(const PageHistory& history) {
    std::string out = "{\"format\": 1,\n\"runs\": [";
    char number[64];
    for (std::size_t i = 0; i < history.runs.size(); ++i) {
        const PageHistory::Run& run = history.runs[i];
        std::snprintf(number, sizeof number, "%.2f", run.seconds);
        out += std::string(i ? ",\n " : "\n ") + "{\"name\": " + quoted(run.name) +
               ", \"passed\": " + std::to_string(run.passed) + ", \"failed\": " + std::to_string(run.failed) +
               ", \"seconds\": " + number + "}";
    }
    out += "],\n\"failures\": {";
    bool first = true;
    for (const auto& [id, failure] : history.failures) {
        const FailureState& s = failure.state;
        std::string timeline;
        for (Verdict verdict : failure.timeline) timeline += letterOf(verdict);
        out += std::string(first ? "\n " : ",\n ") + "\"" + std::to_string(id) + "\": {\"state\": " +
               quoted(stateName(s.kind)) + ", \"note\": " + quoted(s.note()) + ", \"since\": " + quoted(s.since) +
               ", \"runs\": " + std::to_string(s.runs) + ", \"failed\": " + std::to_string(s.failed) +
               ", \"of\": " + std::to_string(s.of) + ", \"timeline\": " + quoted(timeline) + "}";
        first = false;
    }
    return out + "}}\n";
}

bool writePageHistory(const std::string& path, const std::string& json, std::string& problem) {
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    bool ok = file && std::fwrite(json.data(), 1, json.size(), file) == json.size();
    if (!ok) problem = std::strerror(errno);
    if (file && std::fclose(file) != 0 && ok) {
        ok = false;
        problem = std::strerror(errno);
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        problem = std::strerror(errno);
    }
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

} // namespace rtrun
