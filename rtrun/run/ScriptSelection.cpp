#include "rtrun/run/ScriptSelection.h"

namespace rtrun {

bool ScriptSelection::selects(const Rt::TestInfo& test) {
    if (!m_pastResume)
        m_pastResume = test.scriptIndex > m_resumeScript ||
                       (test.scriptIndex == m_resumeScript && test.position >= m_resumePosition);
    const std::string group = test.group.toStdString(), caseName = test.caseName.toStdString();
    if (!m_filter.selects(group, caseName)) return false;
    // Shards count every test the filter passes, so that each piece of a
    // supervised run counts as the first did.
    if (m_passed++ % m_shardTotal != m_shardIndex) return false;
    if (test.scriptIndex < m_resumeScript || (test.scriptIndex == m_resumeScript && test.position <= m_resumePosition))
        return false;
    if (!m_listOnly) return true;
    PlannedTest listed{test.scriptIndex, test.position, test.groupIndex, test.script.toStdString(), group, caseName,
                       {}, test.ext.toStdString()};
    for (const KxString& arg : test.args) listed.args.push_back(arg.toStdString());
    m_listed.push_back(std::move(listed));
    return false;
}

} // namespace rtrun
