#pragma once
// How a report's bytes reach the XML parser. The writer produces single-byte
// text (ISO-8859-1) with no encoding declaration and passes every byte of a
// value through, control characters included, which XML 1.0 forbids. The
// parser is therefore fed UTF-8 made here: each byte becomes its Latin-1
// character, and each forbidden control character becomes its visible stand-in
// from the Control Pictures block (U+2400 + byte). A report cannot hold those
// stand-ins itself (it is single-byte text), so they are turned back into the
// original bytes once the parser hands the text out.
#include <cstdio>
#include <string>

namespace rtreport {

// A read callback for the parser: fills `buffer` with at most `length` bytes
// of UTF-8 read from `file` (a FILE*); 0 at the end, -1 on a read error.
int readReportAsUtf8(void* file, char* buffer, int length);

// Turns the stand-ins made by readReportAsUtf8 back into the bytes they stand for.
void restoreControlCharacters(std::string& text);

} // namespace rtreport
