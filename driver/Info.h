#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxString.h>
#include <cstdint>

namespace Rt {

// Kind of a test. The framework stores it and sets eTestRegression in the
// base TestSet::initialize(); it never interprets it.
enum TestType : std::int32_t {
    eTestUnknown = 0,
    eTestUnit = 1,
    eTestPerformance = 2,
    eTestRegression = 3,
};

// What describes one test or one group.
class RT_API Info {
public:
    Info() = default;
    Info(const Info&) = default;
    Info& operator=(const Info&) = default;
    ~Info() = default;

    void setTitle(KxString title) { m_title = std::move(title); }
    void setDesc(KxString desc) { m_desc = std::move(desc); }
    void SetErrorString(const KxString& text) { m_errorString = text; }
    void setType(TestType type) { m_type = type; }
    void setStart(int start) { m_start = start; }
    void setEnd(int end) { m_end = end; }
    void setExit(bool exit) { m_exit = exit; }

    const KxString& getTitle() const { return m_title; }
    const KxString& getDesc() const { return m_desc; }
    const KxString& getErrorString() const { return m_errorString; }
    TestType getType() { return m_type; }
    int getStart() const { return m_start; }
    int getEnd() const { return m_end; }
    bool getExit() const { return m_exit; }

private:
    KxString m_title;
    KxString m_desc;
    KxString m_errorString;
    TestType m_type = eTestUnknown;
    std::int32_t m_start = 0;
    std::int32_t m_end = 0;
    bool m_exit = false;
};

} // namespace Rt
