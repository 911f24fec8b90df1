#pragma once
#include "rtrun/TestFilter.h"
#include "results/RunObserver.h"
#include <string>
#include <vector>

namespace rtrun {

// The run's choice of tests, by filter; in listing mode it selects none and
// keeps each test it would have run, so the scripts can be listed unrun.
class ScriptSelection : public Rt::TestSelection {
public:
    struct Listed {
        std::string group;
        std::string caseName;
        std::vector<std::string> args;
    };

    ScriptSelection(const TestFilter& filter, bool listOnly) : m_filter(filter), m_listOnly(listOnly) {}
    bool selects(const Rt::TestInfo& test) override;
    const std::vector<Listed>& listed() const { return m_listed; }

private:
    const TestFilter& m_filter;
    bool m_listOnly;
    std::vector<Listed> m_listed;
};

} // namespace rtrun
