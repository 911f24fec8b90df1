#pragma once
// Text made safe for an XML 1.0 document written as UTF-8.
#include <string>

namespace rtrun {

// `utf8` escaped for element content or a double-quoted attribute value.
// Characters XML 1.0 forbids are replaced: a control character by its
// picture from the Control Pictures block (U+2400 + code, so U+0001 shows as
// the symbol for SOH), anything else, invalid UTF-8 included, by U+FFFD.
// In attributes, tabs and line breaks become character references, so that
// a reader's attribute normalisation keeps them.
std::string xmlContent(const std::string& utf8);
std::string xmlAttribute(const std::string& utf8);
// The same replacements without escaping, for a writer that escapes itself.
std::string xmlAllowed(const std::string& utf8);

// ` name="value"`, the value escaped, ready to follow an element's name.
std::string attributeText(const char* name, const std::string& value);
std::string attributeText(const char* name, int value);

} // namespace rtrun
