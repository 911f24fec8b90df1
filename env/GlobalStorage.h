#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxRefCounted.h>
#include <Rt/corelib/KxString.h>
#include <cstdint>

namespace Rt {

// The run's environment, settled once from environment variables, the
// executable's location, the host and the clock: directories (each ending
// in "/"), platform, machine and the run's time stamp.
class RT_API GlobalStorage : public KxRefCounted {
public:
    GlobalStorage();
    GlobalStorage(const GlobalStorage& other);
    GlobalStorage& operator=(const GlobalStorage& other);
    ~GlobalStorage() override;

    void setInDataDir(const KxString& dir) { m_inDataDir = dir; }
    void setOutdataDir(const KxString& dir) { m_outDataDir = dir; }
    void setResultDir(const KxString& dir) { m_resultDir = dir; }
    void setScriptDir(const KxString& dir) { m_scriptDir = dir; }
    void setConfigDir(const KxString& dir) { m_configDir = dir; }
    void setPlatform(const KxString& platform) { m_platform = platform; }
    void setMachine(const KxString& machine) { m_machine = machine; }
    void setMonth(int month) { m_month = month; }
    void setDay(int day) { m_day = day; }
    void setYear(int year) { m_year = year; }
    void setHour(int hour) { m_hour = hour; }
    void setMin(int min) { m_min = min; }

    const KxString& inDataDir() const { return m_inDataDir; }
    const KxString& outDataDir() const { return m_outDataDir; }
    const KxString& resultDir() const { return m_resultDir; }
    const KxString& scriptDir() const { return m_scriptDir; }
    const KxString& configDir() const { return m_configDir; }
    const KxString& platform() const { return m_platform; }
    const KxString& machine() const { return m_machine; }
    int month() const { return m_month; }
    int day() const { return m_day; }
    int year() const { return m_year; }
    int hour() const { return m_hour; }
    int min() const { return m_min; }

    bool getSystemName(char* buffer, int size);
    void initPlatform();
    void initMachine();
    void initStamp();
    void initLoc();

    // The suite's base directory for an executable path: the parent of the
    // executable's directory, with "/" as separator and a trailing "/"
    // ("C:\work\suite\bin\run.exe" and "/work/suite/bin/run" give
    // "C:/work/suite/" and "/work/suite/"). A path with fewer than two
    // separators gives the empty text: the current directory.
    static KxString basePathOf(const KxString& executablePath);

private:
    KxString m_inDataDir;
    KxString m_outDataDir;
    KxString m_resultDir;
    KxString m_scriptDir;
    KxString m_configDir;
    KxString m_platform;
    KxString m_machine;
    std::int32_t m_month = 0;
    std::int32_t m_day = 0;
    std::int32_t m_year = 0;
    std::int32_t m_hour = 0;
    std::int32_t m_min = 0;
};

extern RT_API Kx::SharedPtr<GlobalStorage> gStor;

// Accessors of the object Rt::gStor holds. Called before RtLib::init(), each
// says so on stderr; a setter then does nothing and a getter answers empty (0).
RT_API void setInDataDir(const KxString& dir);
RT_API void setOutdataDir(const KxString& dir);
RT_API void setResultDir(const KxString& dir);
RT_API void setScriptDir(const KxString& dir);
RT_API void setConfigDir(const KxString& dir);
RT_API void setPlatform(const KxString& platform);
RT_API void setMachine(const KxString& machine);
// These five set the run's stamp.
RT_API void month(int month);
RT_API void day(int day);
RT_API void year(int year);
RT_API void hour(int hour);
RT_API void min(int min);

RT_API const KxString& inDataDir();
RT_API const KxString& outDataDir();
RT_API const KxString& resultDir();
RT_API const KxString& scriptDir();
RT_API const KxString& configDir();
RT_API const KxString& platform();
RT_API const KxString& machine();

// The stamp, for the library's own use (not exported).
int month();
int day();
int year();
int hour();
int min();

} // namespace Rt
