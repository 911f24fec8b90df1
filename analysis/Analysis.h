#pragma once
#include <Rt/RtExport.h>
#include <Rt/report/FileStream.h>

namespace Rt {

// Builds the HTML summary of a finished report that is meant for mailing:
// one line per group with errors and, under it, one line per test with
// errors, filled into templates read from the script directory.
class RT_API Analysis {
public:
    Analysis();
    Analysis(const Analysis&) = default;
    Analysis& operator=(const Analysis&) = default;
    ~Analysis() = default;

    bool formatOpen(const KxString& platform, const KxString& machine, const KxString& date, const KxString& time);
    void setStamp(const KxString& platform, const KxString& machine, const KxString& date, const KxString& time);
    bool formatClose(const KxString& link);
    void setLink(const KxString& link);

    bool formatGroup(KxString& out, const KxString& left, const KxString& right);
    bool formatTestE(KxString& out, const KxString& left, const KxString& right);
    bool formatTestEE(KxString& out, const KxString& left, const KxString& right);

    // Reads the report as a stream, holding only the test at hand, and writes
    // the summary to outFile, only when the report holds a group or test with
    // errors.
    bool executeI(const KxString& reportFile, const KxString& outFile);

    const KxString& body() const { return m_body; }

protected:
    // The same listing over a whole report in memory, which it cuts down to
    // what follows the last complete group.
    bool findErrors(KxString& report);
    bool getObject(const KxString& text, KxString tag, KxString& out, int& pos, int& end);

private:
    struct LineStyle;
    bool formatLine(KxString& out, const LineStyle& style, const KxString& left, const KxString& right);

    KxString m_headTemplate;
    KxString m_openTemplate;
    KxString m_objectTemplate;
    KxString m_closeTemplate;
    KxString m_body;
    FileStream m_stream;
};

} // namespace Rt
