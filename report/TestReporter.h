#pragma once
#include <Rt/RtExport.h>
#include <Rt/driver/Msg.h>
#include <Rt/report/FileStream.h>
#include <Rt/report/ReportBuffer.h>
#include <cstdint>

namespace Rt {

// Writes the run's XML report line by line, and at construction names the
// run, creates its directories and publishes the page and its style files.
//
// Lines are assembled in memory and handed to the file by flush(), in one
// write; GlobalResults flushes each time control passes to code outside the
// framework, so a run that dies loses nothing it wrote before.
class RT_API TestReporter : public KxRefCounted {
public:
    explicit TestReporter(bool flag = false);
    TestReporter(const KxString& name, const KxString& dir, bool flag);
    TestReporter(const TestReporter& other);
    TestReporter& operator=(const TestReporter& other);
    ~TestReporter() override;

    void setDate(int month, int day, int year);
    void setTime(int hour, int minute);

    // The run's name from the run's stamp and platform: date, platform, time.
    static KxString makeRunName();
    void initializeName();
    void initializeDir();
    void initializeReport();
    void openReport();
    void closeReport();

    void openObj(const KxString& name);
    void closeObj(const KxString& name);
    void openObj(const Msg* message);
    void closeObj(const Msg* message);
    void writeObject(const KxString& name, const KxString& value);
    void writeObject(const Msg* message);
    // The same line as writeObject(name, the value's decimal text), made
    // straight from the value.
    void writeCount(const KxString& name, int value);
    void writeMsg(const KxString& type, const Msg* message);
    void writeKxStdErr(const KxStdError* error);
    void writeEncodedStr(const KxString& text);

    // Hands what was written since the last flush to the file in one write.
    void flush();

    // Closes the innermost element still open; false when none is.
    bool closeInnermost();
    int openElements() const { return static_cast<int>(m_openCount); }
    // The id of the element opened last; -1 before the first.
    int lastId() const { return m_nextId - 1; }
    // The system's error number of the first failure to open or write the
    // report; 0 while every line reached the file.
    int writeError() const { return m_buffer.writeError(); }

    const KxString& runName() const { return m_runName; }
    const KxString& reportFile() const { return m_reportFile; }
    const KxString& reportDir() const { return m_reportDir; }
    const KxString& timeText() const { return m_timeText; }
    const KxString& dateText() const { return m_dateText; }
    // Where the page, the style files and the e-mail summary go: with the report.
    KxString reportPath() const;
    KxString pagePath() const;
    KxString emailPath() const;

private:
    void endPiece();
    void noteWriteError();
    void noteElementName(const KxString& name);
    void noteClose(const KxString& name);
    void indent();
    void outdent();
    void pushOpen(const KxString& name);
    void popOpen();
    void writeLine(const char* open, const KxString& name, const char* close);
    void writeRecordLine(const char* tag, const KxString& content);
    const KxString& methodText(const KxStdError* error);
    void buildEmailSummary();

    std::uint32_t m_indent = 0;  // in spaces
    std::int32_t m_nextId = 0;
    bool m_flag;
    KxString m_runName;
    KxString m_reportFile;
    KxString m_reportDir;
    KxString m_timeText;
    KxString m_dateText;
    FileStream m_file;

    ReportBuffer m_buffer{m_file};
    // Names of the elements open below the root, outermost first.
    KxVec<KxString> m_open;
    std::uint32_t m_openCount = 0;
    bool m_writeErrorNoted = false;
    // Whether the report may hold a count the e-mail summary would list:
    // until then, closing needs no second look at the report.
    bool m_mayListErrors = false;
    enum : unsigned { eErrorsCounted = 1, eExtErrorsCounted = 2 };
    unsigned m_summaryCounts = 0;  // of the summary being written
    bool m_summaryJustClosed = false;
    // Scratch for a record's "class::method" text, reused so that records
    // cost no allocation once it has grown.
    KxString m_methodText;
};

} // namespace Rt
