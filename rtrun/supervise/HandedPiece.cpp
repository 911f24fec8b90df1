#include "rtrun/supervise/HandedPiece.h"
#include "env/GlobalStorage.h"
#include <cstdio>
#include <cstdlib>

namespace rtrun {

namespace {

// Each field as "<length>:<bytes>", in a fixed order; the first is the
// format's name, so that text of another making is refused as a whole.
constexpr const char* kFormat = "rtrun-piece-1";

class Writer {
public:
    Writer& operator<<(const std::string& field) {
        m_text += std::to_string(field.size()) + ":" + field;
        return *this;
    }
    Writer& operator<<(const char* field) { return *this << std::string(field); }
    Writer& operator<<(long long number) { return *this << std::to_string(number); }
    Writer& operator<<(int number) { return *this << static_cast<long long>(number); }
    Writer& operator<<(bool flag) { return *this << static_cast<long long>(flag); }
    Writer& operator<<(double number) {
        char text[40];
        std::snprintf(text, sizeof(text), "%.17g", number);
        return *this << std::string(text);
    }
    template <class Field>
    Writer& operator<<(const std::vector<Field>& fields) {
        *this << static_cast<long long>(fields.size());
        for (const Field& field : fields) *this << field;
        return *this;
    }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

// Reads the fields back in the same order; once a field is missing or
// malformed every later read fails too.
class Reader {
public:
    explicit Reader(const std::string& text) : m_text(text) {}
    bool ok() const { return m_ok; }
    Reader& operator>>(std::string& field) {
        const std::size_t colon = m_ok ? m_text.find(':', m_at) : std::string::npos;
        char* end = nullptr;
        const unsigned long long length =
            colon == std::string::npos ? 0 : std::strtoull(m_text.c_str() + m_at, &end, 10);
        if (colon == std::string::npos || colon == m_at || end != m_text.c_str() + colon ||
            length > m_text.size() - colon - 1) {
            m_ok = false;
            return *this;
        }
        field = m_text.substr(colon + 1, length);
        m_at = colon + 1 + length;
        return *this;
    }
    Reader& operator>>(long long& number) {
        std::string field;
        *this >> field;
        char* end = nullptr;
        if (m_ok) number = std::strtoll(field.c_str(), &end, 10);
        if (m_ok && (field.empty() || *end)) m_ok = false;
        return *this;
    }
    Reader& operator>>(int& number) {
        long long wide = 0;
        *this >> wide;
        number = static_cast<int>(wide);
        return *this;
    }
    Reader& operator>>(bool& flag) {
        long long wide = 0;
        *this >> wide;
        flag = wide != 0;
        return *this;
    }
    Reader& operator>>(double& number) {
        std::string field;
        *this >> field;
        char* end = nullptr;
        if (m_ok) number = std::strtod(field.c_str(), &end);
        if (m_ok && (field.empty() || *end)) m_ok = false;
        return *this;
    }
    template <class Field>
    Reader& operator>>(std::vector<Field>& fields) {
        long long count = 0;
        *this >> count;
        if (count < 0 || count > static_cast<long long>(m_text.size())) m_ok = false;
        fields.clear();
        for (long long i = 0; m_ok && i < count; ++i) {
            fields.emplace_back();
            *this >> fields.back();
        }
        return *this;
    }
    bool atEnd() const { return m_ok && m_at == m_text.size(); }

private:
    const std::string& m_text;
    std::size_t m_at = 0;
    bool m_ok = true;
};

std::vector<std::string> problemFields(const std::vector<TestIndex::Problem>& problems) {
    std::vector<std::string> fields;
    for (const TestIndex::Problem& problem : problems) {
        fields.push_back(problem.where);
        fields.push_back(problem.what);
    }
    return fields;
}

bool addPatterns(TestFilter& filter, const std::vector<std::string>& patterns, std::string& problem) {
    for (const std::string& pattern : patterns)
        if (!filter.add(pattern, problem)) return false;
    return true;
}

} // namespace

void HandedPiece::takeEnvironment() {
    const Rt::GlobalStorage& storage = *Rt::gStor;
    inDataDir = storage.inDataDir().toStdString();
    outDataDir = storage.outDataDir().toStdString();
    resultDir = storage.resultDir().toStdString();
    scriptDir = storage.scriptDir().toStdString();
    configDir = storage.configDir().toStdString();
    platform = storage.platform().toStdString();
    machine = storage.machine().toStdString();
    month = storage.month();
    day = storage.day();
    year = storage.year();
    hour = storage.hour();
    min = storage.min();
}

void HandedPiece::giveEnvironment() const {
    Rt::GlobalStorage& storage = *Rt::gStor;
    storage.setInDataDir(inDataDir.c_str());
    storage.setOutdataDir(outDataDir.c_str());
    storage.setResultDir(resultDir.c_str());
    storage.setScriptDir(scriptDir.c_str());
    storage.setConfigDir(configDir.c_str());
    storage.setPlatform(platform.c_str());
    storage.setMachine(machine.c_str());
    storage.setMonth(month);
    storage.setDay(day);
    storage.setYear(year);
    storage.setHour(hour);
    storage.setMin(min);
}

std::string handedPieceText(const HandedPiece& handed) {
    const RunPlan& plan = handed.plan;
    const Piece& piece = handed.piece;
    Writer out;
    out << kFormat << handed.inDataDir << handed.outDataDir << handed.resultDir << handed.scriptDir << handed.configDir
        << handed.platform << handed.machine << handed.month << handed.day << handed.year << handed.hour << handed.min;
    out << static_cast<int>(plan.purpose) << plan.scripts << plan.filter.given() << plan.libDirs << plan.movedTo
        << plan.timeout << plan.killGrace << plan.shardIndex << plan.shardCount << plan.durations << plan.jobs
        << plan.jobsByGroup << plan.serial.given() << plan.statusLine << plan.junit << plan.history.location
        << plan.history.suite << plan.history.keep << plan.runId << plan.runIdSource
        << problemFields(plan.missingScripts);
    out << piece.number << piece.resumeScript << piece.resumePosition << piece.resultDir << piece.unfinishedUnit;
    out << handed.log.memory << static_cast<long long>(handed.log.capacity) << handed.log.scratch << handed.log.throws;
    out << handed.board.memory << handed.board.units << handed.board.scripts << handed.units.unitOfTest
        << handed.units.firstTest << handed.outputRelayed;
    return out.text();
}

bool readHandedPiece(const std::string& text, HandedPiece& handed, std::string& problem) {
    RunPlan& plan = handed.plan;
    Piece& piece = handed.piece;
    Reader in(text);
    std::string format;
    in >> format;
    if (!in.ok() || format != kFormat) {
        problem = "what the supervisor handed over is not a piece of a run of this rtrun";
        return false;
    }
    int purpose = 0;
    long long capacity = 0;
    std::vector<std::string> filter, serial, missing;
    in >> handed.inDataDir >> handed.outDataDir >> handed.resultDir >> handed.scriptDir >> handed.configDir >>
        handed.platform >> handed.machine >> handed.month >> handed.day >> handed.year >> handed.hour >> handed.min;
    in >> purpose >> plan.scripts >> filter >> plan.libDirs >> plan.movedTo >> plan.timeout >> plan.killGrace >>
        plan.shardIndex >> plan.shardCount >> plan.durations >> plan.jobs >> plan.jobsByGroup >> serial >>
        plan.statusLine >> plan.junit >> plan.history.location >> plan.history.suite >> plan.history.keep >>
        plan.runId >> plan.runIdSource >> missing;
    in >> piece.number >> piece.resumeScript >> piece.resumePosition >> piece.resultDir >> piece.unfinishedUnit;
    in >> handed.log.memory >> capacity >> handed.log.scratch >> handed.log.throws;
    in >> handed.board.memory >> handed.board.units >> handed.board.scripts >> handed.units.unitOfTest >>
        handed.units.firstTest >> handed.outputRelayed;
    handed.log.capacity = capacity;
    if (!in.atEnd() || purpose < 0 || purpose > static_cast<int>(RunPlan::Purpose::eListCases) ||
        missing.size() % 2 != 0) {
        problem = "what the supervisor handed over is cut off or malformed";
        return false;
    }
    plan.purpose = static_cast<RunPlan::Purpose>(purpose);
    plan.missingScripts.clear();
    for (std::size_t i = 0; i < missing.size(); i += 2) plan.missingScripts.push_back({missing[i], missing[i + 1]});
    if (!addPatterns(plan.filter, filter, problem) || !addPatterns(plan.serial, serial, problem)) return false;
    return true;
}

} // namespace rtrun
