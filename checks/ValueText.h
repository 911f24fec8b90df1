#pragma once
// How a check shows the values it compared: one line of text per value.
#include <Rt/RtExport.h>
#include <Rt/corelib/KxString.h>
#include <cstddef>
#include <locale>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace Rt {
namespace check {

// The shortest text that reads back as exactly the same number
// ("12.5000002", "1e-09", "0.1"); "nan", "inf" and "-inf" as such.
RT_API std::string numberText(double value);
RT_API std::string numberText(float value);
RT_API std::string numberText(long double value);
// A text in double quotes, its bytes unchanged.
RT_API std::string quotedText(std::string_view text);
// A KxString's single-byte text in double quotes; a character above 255,
// which has no single byte, shows as "?".
RT_API std::string quotedText(const KxString& text);

namespace detail {
template <class T, class = void>
struct Streamable : std::false_type {};
template <class T>
struct Streamable<T, std::void_t<decltype(std::declval<std::ostream&>() << std::declval<const T&>())>>
    : std::true_type {};
} // namespace detail

// A value's text: bool as true/false, floating numbers by numberText, texts
// (std::string, C strings, KxString) quoted, characters in single quotes,
// anything else by its operator<< in the classic locale (so that test code
// that switched locales still gets "12.5" and "1000"), and a type without
// operator<< as "(no operator<<)".
template <class T>
std::string valueText(const T& value) {
    using V = std::decay_t<T>;
    if constexpr (std::is_same_v<V, bool>) {
        return value ? "true" : "false";
    } else if constexpr (std::is_floating_point_v<V>) {
        return numberText(value);
    } else if constexpr (std::is_same_v<V, char>) {
        return std::string("'") + value + "'";
    } else if constexpr (std::is_same_v<V, signed char> || std::is_same_v<V, unsigned char>) {
        return std::to_string(static_cast<int>(value));
    } else if constexpr (std::is_same_v<V, std::nullptr_t>) {
        return "nullptr";
    } else if constexpr (std::is_array_v<T> && std::is_same_v<V, const char*>) {
        return quotedText(std::string_view(value));
    } else if constexpr (std::is_same_v<V, const char*> || std::is_same_v<V, char*>) {
        const char* text = value;
        return text ? quotedText(std::string_view(text)) : std::string("nullptr");
    } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
        return quotedText(std::string_view(value));
    } else if constexpr (std::is_same_v<V, KxString>) {
        return quotedText(value);
    } else if constexpr (detail::Streamable<T>::value) {
        std::ostringstream out;
        out.imbue(std::locale::classic());
        out << value;
        return out.str();
    } else {
        return "(no operator<<)";
    }
}

} // namespace check
} // namespace Rt
