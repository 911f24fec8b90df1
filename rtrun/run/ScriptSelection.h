#pragma once
#include "rtrun/run/TestFilter.h"
#include "results/RunObserver.h"
#include <string>
#include <vector>

namespace rtrun {

// A Test object of the scripts, as a run reaches it.
struct PlannedTest {
    int scriptIndex = 0;
    int position = 0;
    int groupIndex = 0;  // among all the groups of the scripts
    std::string script;
    std::string group;
    std::string caseName;
    std::vector<std::string> args;
    std::string ext;
};

// Which scripts' problems a piece of a supervised run shows and counts: the
// other pieces show the rest, so that each is shown once.
class ScriptProblemsShown {
public:
    virtual ~ScriptProblemsShown() = default;
    virtual bool showsProblemsOf(int scriptIndex) const = 0;
};

// The run's choice of tests: by filter, and for a run that resumes another,
// only the tests after where that one ended. In listing mode it selects none
// and keeps each test it would have run, so the scripts can be listed unrun.
class ScriptSelection : public Rt::TestSelection, public ScriptProblemsShown {
public:
    ScriptSelection(const TestFilter& filter, bool listOnly) : m_filter(filter), m_listOnly(listOnly) {}
    // Only every total-th test, counted from 0 over the tests the filter passes.
    void shard(int index, int total) {
        m_shardIndex = index;
        m_shardTotal = total;
    }
    void resumeAfter(int scriptIndex, int position) {
        m_resumeScript = scriptIndex;
        m_resumePosition = position;
        m_pastResume = scriptIndex < 0;
    }
    bool selects(const Rt::TestInfo& test) override;
    // The run, now in the script with this index, has reached the test it
    // resumes after (always, when it resumes none).
    bool pastResumePoint(int scriptIndex) const { return m_pastResume || scriptIndex > m_resumeScript; }
    bool showsProblemsOf(int scriptIndex) const override { return pastResumePoint(scriptIndex); }
    const std::vector<PlannedTest>& listed() const { return m_listed; }

private:
    const TestFilter& m_filter;
    bool m_listOnly;
    int m_shardIndex = 0;
    int m_shardTotal = 1;
    long long m_passed = 0;  // tests the filter passed so far
    int m_resumeScript = -1;
    int m_resumePosition = -1;
    bool m_pastResume = true;
    std::vector<PlannedTest> m_listed;
};

} // namespace rtrun
