#include "rtrun/reports/RerunScript.h"
#include "rtrun/reports/TestIndex.h"
#include "report/reader/ReportReader.h"

namespace rtrun {

int writeRerunScript(const std::string& reportPath, std::ostream& script, std::string& note, std::string& problem) {
    TestIndex index;
    const bool indexed = index.read(TestIndex::pathBeside(reportPath));
    if (!indexed)
        note = "no test index beside " + reportPath + ": the tests' titles are taken as their case names";

    rtreport::ReportReader reader(reportPath);
    rtreport::Group group;
    int tests = 0;
    while (reader.next(group)) {
        bool opened = false;
        for (const rtreport::Test& test : group.tests) {
            if (!test.failed() && !test.interrupted) continue;
            if (!opened) {
                script << "<Group>\n  <Name>" << rtreport::reportBytes(group.title) << "</Name>\n";
                if (!group.desc.empty()) script << "  <Desc>" << rtreport::reportBytes(group.desc) << "</Desc>\n";
                opened = true;
            }
            const TestIndex::Entry* entry = indexed ? index.find(test.id) : nullptr;
            script << "  <Test><Title>" << (entry ? entry->caseName : rtreport::reportBytes(test.title)) << "</Title>";
            for (const std::string& arg : test.args) script << "<Arg>" << rtreport::reportBytes(arg) << "</Arg>";
            if (!test.ext.empty()) script << "<Ext>" << rtreport::reportBytes(test.ext) << "</Ext>";
            script << "</Test>\n";
            ++tests;
        }
        if (opened) script << "</Group>\n";
    }
    if (!reader.result().readable()) {
        problem = reader.result().problem;
        return -1;
    }
    if (reader.result().cutOff()) note += (note.empty() ? "" : "; ") + ("the report is cut off: " + reader.result().problem);
    return tests;
}

} // namespace rtrun
