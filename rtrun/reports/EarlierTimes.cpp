#include "rtrun/reports/EarlierTimes.h"
#include "rtrun/reports/ReportFiles.h"
#include "rtrun/reports/TestIndex.h"
#include "report/reader/ReportReader.h"
#include <regex>

namespace rtrun {

namespace {

// A run's report is named MMDDYY<platform>HHMM.xml, or with "-earlierN"
// before ".xml" once a later run of the same minute moved it aside.
bool isRunOf(const std::string& name, const std::string& platform) {
    static const std::regex moved("-earlier[0-9]+\\.xml");
    const std::size_t named = 6 + platform.size() + 4;
    if (name.size() < named + 4 || name.compare(6, platform.size(), platform) != 0) return false;
    const std::string rest = name.substr(named);
    return rest == ".xml" || std::regex_match(rest, moved);
}

class Times : public rtreport::ReportVisitor {
public:
    Times(const TestIndex& index, std::map<ScriptPlace, double>& into) : m_index(index), m_into(into) {}
    void group(const rtreport::Group& group) override {
        for (const rtreport::Test& test : group.tests)
            if (const TestIndex::Entry* entry = m_index.find(test.id))
                m_into[ScriptPlace{entry->script, entry->position, entry->caseName}] = test.seconds();
    }

private:
    const TestIndex& m_index;
    std::map<ScriptPlace, double>& m_into;
};

} // namespace

std::map<ScriptPlace, double> earlierTimes(const std::string& resultDir, const std::string& platform) {
    std::map<ScriptPlace, double> times;
    const std::string report =
        newestFileIn(resultDir, [&platform](const std::string& name) { return isRunOf(name, platform); });
    TestIndex index;
    if (report.empty() || !index.read(TestIndex::pathBeside(report))) return times;
    Times visitor(index, times);
    if (!rtreport::readReport(report, visitor).readable()) times.clear();
    return times;
}

} // namespace rtrun
