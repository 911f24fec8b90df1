#include "env/GlobalStorage.h"
#include "env/PathText.h"
#include "env/Platform.h"
#include <cstdio>

namespace Rt {

GlobalStorage::GlobalStorage() {
    initMachine();
    initPlatform();
    initStamp();
    initLoc();
}

GlobalStorage::GlobalStorage(const GlobalStorage& other) = default;
GlobalStorage& GlobalStorage::operator=(const GlobalStorage& other) = default;
GlobalStorage::~GlobalStorage() = default;

bool GlobalStorage::getSystemName(char* buffer, int size) { return Platform::hostName(buffer, size); }

void GlobalStorage::initMachine() {
    char name[100];
    m_machine = Platform::hostName(name, sizeof(name)) ? KxString(name) : KxString("Unknown");
}

void GlobalStorage::initPlatform() {
    if (const char* target = Platform::environment("KXRT_PLAT_TARG")) m_platform = target;
    else if (const char* uname = Platform::environment("Uname")) m_platform = uname;
    else m_platform = "WIN64";
}

void GlobalStorage::initStamp() {
    std::tm now = Platform::localTimeNow();
    m_month = now.tm_mon + 1;
    m_day = now.tm_mday;
    m_year = now.tm_year + 1900;
    m_hour = now.tm_hour;
    m_min = now.tm_min;
}

KxString GlobalStorage::basePathOf(const KxString& executablePath) {
    KxString base(executablePath);
    int fileStart = lastPathSeparator(base);
    if (fileStart < 0) return KxString();
    base.remove(fileStart, -1);
    int dirStart = lastPathSeparator(base);
    if (dirStart < 0) return KxString();
    base.remove(dirStart + 1, -1);
    int replaced = 0;
    base.replace("\\", "/", replaced, true);
    return base;
}

void GlobalStorage::initLoc() {
    const char* inData = Platform::environment("KXRT_INDATA_DIR");
    const char* outData = Platform::environment("KXRT_OUTDATA_DIR");
    const char* result = Platform::environment("KXRT_RESULT_DIR");
    const char* script = Platform::environment("KXRT_SCRIPT_DIR");
    const char* config = Platform::environment("KXRT_CONFIG_DIR");
    const char* relative = Platform::environment("KXRT_RELATIVE_PATH");

    KxString base = relative ? KxString(relative) : basePathOf(Platform::executablePath().c_str());
    auto choose = [&base](const char* value, const KxString& fallback) {
        return value ? KxString(value) + "/" : base + fallback;
    };
    m_inDataDir = choose(inData, "GoldenData/");
    m_outDataDir = choose(outData, KxString("GoldenData/") + m_platform + "/");
    m_resultDir = choose(result, "Results/");
    m_scriptDir = choose(script, "Scripts/");
    m_configDir = choose(config, "Config/");

    Platform::makeDirectory(m_outDataDir.toStdString().c_str());
}

namespace {

// The started library's storage; without one (RtLib::init() not called) the
// accessor says so on stderr and the caller falls back to an empty answer.
GlobalStorage* started(const char* accessor) {
    if (gStor) return gStor.get();
    std::fprintf(stderr, "Rt::%s: the framework is not started (RtLib::init() was not called)\n", accessor);
    return nullptr;
}

const KxString& noText() {
    static const KxString empty;
    return empty;
}

} // namespace

void setInDataDir(const KxString& dir) { if (auto* s = started("setInDataDir")) s->setInDataDir(dir); }
void setOutdataDir(const KxString& dir) { if (auto* s = started("setOutdataDir")) s->setOutdataDir(dir); }
void setResultDir(const KxString& dir) { if (auto* s = started("setResultDir")) s->setResultDir(dir); }
void setScriptDir(const KxString& dir) { if (auto* s = started("setScriptDir")) s->setScriptDir(dir); }
void setConfigDir(const KxString& dir) { if (auto* s = started("setConfigDir")) s->setConfigDir(dir); }
void setPlatform(const KxString& platform) { if (auto* s = started("setPlatform")) s->setPlatform(platform); }
void setMachine(const KxString& machine) { if (auto* s = started("setMachine")) s->setMachine(machine); }
void month(int value) { if (auto* s = started("month")) s->setMonth(value); }
void day(int value) { if (auto* s = started("day")) s->setDay(value); }
void year(int value) { if (auto* s = started("year")) s->setYear(value); }
void hour(int value) { if (auto* s = started("hour")) s->setHour(value); }
void min(int value) { if (auto* s = started("min")) s->setMin(value); }

const KxString& inDataDir() { auto* s = started("inDataDir"); return s ? s->inDataDir() : noText(); }
const KxString& outDataDir() { auto* s = started("outDataDir"); return s ? s->outDataDir() : noText(); }
const KxString& resultDir() { auto* s = started("resultDir"); return s ? s->resultDir() : noText(); }
const KxString& scriptDir() { auto* s = started("scriptDir"); return s ? s->scriptDir() : noText(); }
const KxString& configDir() { auto* s = started("configDir"); return s ? s->configDir() : noText(); }
const KxString& platform() { auto* s = started("platform"); return s ? s->platform() : noText(); }
const KxString& machine() { auto* s = started("machine"); return s ? s->machine() : noText(); }
int month() { auto* s = started("month"); return s ? s->month() : 0; }
int day() { auto* s = started("day"); return s ? s->day() : 0; }
int year() { auto* s = started("year"); return s ? s->year() : 0; }
int hour() { auto* s = started("hour"); return s ? s->hour() : 0; }
int min() { auto* s = started("min"); return s ? s->min() : 0; }

} // namespace Rt
