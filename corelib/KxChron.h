#pragma once
#include <Rt/corelib/KxExport.h>
#include <chrono>

// Stopwatch: measures from its construction; start() restarts it.
class KX_API KxChron {
public:
    KxChron() : m_start(std::chrono::steady_clock::now()) {}
    void start() { m_start = std::chrono::steady_clock::now(); }
    double getTime() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};
