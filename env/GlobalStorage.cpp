#include "env/GlobalStorage.h"
#include "env/Platform.h"

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
    auto lastSeparator = [](const KxString& path) {
        int slash = path.findLast("/");
        int backslash = path.findLast("\\");
        return slash > backslash ? slash : backslash;
    };
    KxString base(executablePath);
    int fileStart = lastSeparator(base);
    if (fileStart < 0) return KxString();
    base.remove(fileStart, -1);
    int dirStart = lastSeparator(base);
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

void setInDataDir(const KxString& dir) { gStor->setInDataDir(dir); }
void setOutdataDir(const KxString& dir) { gStor->setOutdataDir(dir); }
void setResultDir(const KxString& dir) { gStor->setResultDir(dir); }
void setScriptDir(const KxString& dir) { gStor->setScriptDir(dir); }
void setConfigDir(const KxString& dir) { gStor->setConfigDir(dir); }
void setPlatform(const KxString& platform) { gStor->setPlatform(platform); }
void setMachine(const KxString& machine) { gStor->setMachine(machine); }
void month(int value) { gStor->setMonth(value); }
void day(int value) { gStor->setDay(value); }
void year(int value) { gStor->setYear(value); }
void hour(int value) { gStor->setHour(value); }
void min(int value) { gStor->setMin(value); }

const KxString& inDataDir() { return gStor->inDataDir(); }
const KxString& outDataDir() { return gStor->outDataDir(); }
const KxString& resultDir() { return gStor->resultDir(); }
const KxString& scriptDir() { return gStor->scriptDir(); }
const KxString& configDir() { return gStor->configDir(); }
const KxString& platform() { return gStor->platform(); }
const KxString& machine() { return gStor->machine(); }
int month() { return gStor->month(); }
int day() { return gStor->day(); }
int year() { return gStor->year(); }
int hour() { return gStor->hour(); }
int min() { return gStor->min(); }

} // namespace Rt
