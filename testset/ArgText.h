#pragma once
// Strict, locale-free reading of a test's argument texts as typed values.
#include "env/InternalExport.h"
#include <string>
#include <string_view>

namespace Rt {

enum class ArgReading { ok, malformed, outOfRange };

// Each accepts the whole text and nothing else, after dropping spaces and
// tabs around it: no trailing text, no hexadecimal, no thousands separators,
// "." as the decimal point whatever the locale.
// A number as std::from_chars reads it, with an optional leading "+":
// "12.5", "-3", "1e-09", ".5", "inf", "nan"; a value beyond double's range
// ("1e999", "1e-999") is out of range.
RT_INTERNAL_API ArgReading readArgText(std::string_view text, double& value);
// A whole number in decimal with an optional sign.
RT_INTERNAL_API ArgReading readArgText(std::string_view text, int& value);
RT_INTERNAL_API ArgReading readArgText(std::string_view text, long long& value);
// true, yes, on, 1 / false, no, off, 0, in any letter case.
RT_INTERNAL_API ArgReading readArgText(std::string_view text, bool& value);

// What a text must look like to be read as the type, for a record: "a number
// such as 12.5, -3 or 1e-09", ...
const char* expectedDouble();
const char* expectedInt();
const char* expectedLongLong();
const char* expectedBool();

} // namespace Rt
