#pragma once
#include <Rt/RtExport.h>
#include <cstdint>

namespace Rt {

// The five counters of one nesting level of the report.
class RT_API ErrorSummary {
public:
    ErrorSummary() = default;
    ErrorSummary(int errors, int warnings, int extErrors, int extWarnings, int kxErrors)
        : m_errors(errors), m_warnings(warnings), m_extErrors(extErrors), m_extWarnings(extWarnings),
          m_kxErrors(kxErrors) {}
    ~ErrorSummary() = default;
    ErrorSummary(const ErrorSummary&) = default;
    ErrorSummary& operator=(const ErrorSummary&) = default;

    void reset() { *this = ErrorSummary(); }
    ErrorSummary& operator+=(const ErrorSummary& other) {
        m_errors += other.m_errors;
        m_warnings += other.m_warnings;
        m_extErrors += other.m_extErrors;
        m_extWarnings += other.m_extWarnings;
        m_kxErrors += other.m_kxErrors;
        return *this;
    }

    bool operator==(const ErrorSummary& other) const {
        return m_errors == other.m_errors && m_warnings == other.m_warnings && m_extErrors == other.m_extErrors &&
               m_extWarnings == other.m_extWarnings && m_kxErrors == other.m_kxErrors;
    }
    bool operator!=(const ErrorSummary& other) const { return !(*this == other); }

    void incErr() { ++m_errors; }
    void incWar() { ++m_warnings; }
    void incExtErr() { ++m_extErrors; }
    void incExtWar() { ++m_extWarnings; }
    void incKxErr() { ++m_kxErrors; }

    int errors() const { return m_errors; }
    int warnings() const { return m_warnings; }
    int extErrors() const { return m_extErrors; }
    int extWarnings() const { return m_extWarnings; }
    int kxErrors() const { return m_kxErrors; }

private:
    std::int32_t m_errors = 0;
    std::int32_t m_warnings = 0;
    std::int32_t m_extErrors = 0;
    std::int32_t m_extWarnings = 0;
    std::int32_t m_kxErrors = 0;
};

} // namespace Rt
