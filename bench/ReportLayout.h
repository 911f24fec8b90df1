#pragma once
// Pieces of a synthetic report in the report's own layout, shared by the
// analysis benchmarks.
#include <string>

namespace bench {

// The Summary element of a test (indent "      ") or group (indent "    ").
inline void appendSummary(std::string& out, const char* indent, int errors, int external = 0) {
    const std::string pad(indent);
    out += pad + "<Summary>\r\n";
    out += pad + "  <KxErrors>0</KxErrors>\r\n";
    out += pad + "  <Errors>" + std::to_string(errors) + "</Errors>\r\n";
    out += pad + "  <Warnings>0</Warnings>\r\n";
    out += pad + "  <ExtErrors>" + std::to_string(external) + "</ExtErrors>\r\n";
    out += pad + "  <ExtWarnings>0</ExtWarnings>\r\n";
    out += pad + "</Summary>\r\n";
}

// One error record inside a test.
inline const char* errorRecord() {
    return "      <Error>\r\n        <Method>Case::executeW</Method>\r\n        <Desc>check</Desc>\r\n"
           "        <Msg>value 3 &lt; 4</Msg>\r\n      </Error>\r\n";
}

} // namespace bench
