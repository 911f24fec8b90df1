#pragma once
// Helpers for reading back what a TestReporter wrote.
#include "report/TestReporter.h"
#include "support/TempSuite.h"
#include <initializer_list>
#include <string>
#include <utility>

namespace reporttest {

inline const std::string kHeader = "<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n";

inline std::string reportBytes(Rt::TestReporter& reporter) {
    reporter.flush();
    return testsupport::readBytes(reporter.reportPath().toStdString());
}

// What was written after the two opening lines; a report without them
// yields a marker text that no expectation matches.
inline std::string bodyOf(Rt::TestReporter& reporter) {
    std::string bytes = reportBytes(reporter);
    if (bytes.compare(0, kHeader.size(), kHeader) != 0) return "<missing header>" + bytes;
    return bytes.substr(kHeader.size());
}

// A message naming an element (text list) and, optionally, its values (trace list).
inline Kx::SharedPtr<Rt::Msg> message(std::initializer_list<const char*> texts,
                                      std::initializer_list<const char*> traces = {},
                                      const char* className = "Cls", const char* method = "meth",
                                      const char* text2 = "", KxErrorCode code = -12) {
    Kx::SharedPtr<Rt::Msg> msg(new Rt::Msg(className, method, "", text2, code));
    for (const char* text : texts) msg->textList.append(text);
    for (const char* trace : traces) msg->traceList.append(trace);
    return msg;
}

} // namespace reporttest
