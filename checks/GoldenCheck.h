#pragma once
// The functions behind the golden-file checks of <Rt/Checks.h>, which
// describes what they compare and the record of a failure.
#include <Rt/RtExport.h>
#include <Rt/checks/CheckFunctions.h>
#include <Rt/corelib/KxString.h>
#include <string>
#include <string_view>

namespace Rt {
namespace check {

// The bytes a golden check compares: a text's own, a KxString's single-byte
// form (a character above 255 becomes "?").
inline std::string goldenBytes(std::string_view text) { return std::string(text); }
inline std::string goldenBytes(const char* text) { return std::string(text ? text : ""); }
RT_API std::string goldenBytes(const KxString& text);

enum class GoldenMode { bytes, tokens };

// Writes `text` as the output `name`, compares it with the reference;
// `tolerance` counts in GoldenMode::tokens only.
RT_API bool compareGoldenText(const Site& site, const std::string& name, const std::string& text, GoldenMode mode,
                              double tolerance) noexcept;
// Copies the file at `path` to the output `name` and compares bytes.
RT_API bool compareGoldenFile(const Site& site, const std::string& name, const std::string& path) noexcept;

template <class Name, class Text>
bool golden(const Site& site, Name&& name, Text&& text) noexcept {
    try {
        const std::string outputName = goldenBytes(name());
        return compareGoldenText(site, outputName, goldenBytes(text()), GoldenMode::bytes, 0.0);
    } catch (...) {
        failOnException(site);
    }
    return false;
}

template <class Name, class Text, class Tolerance>
bool goldenNear(const Site& site, Name&& name, Text&& text, Tolerance&& tolerance) noexcept {
    try {
        const std::string outputName = goldenBytes(name());
        const std::string bytes = goldenBytes(text());
        return compareGoldenText(site, outputName, bytes, GoldenMode::tokens, static_cast<double>(tolerance()));
    } catch (...) {
        failOnException(site);
    }
    return false;
}

template <class Name, class Path>
bool goldenFile(const Site& site, Name&& name, Path&& path) noexcept {
    try {
        const std::string outputName = goldenBytes(name());
        return compareGoldenFile(site, outputName, goldenBytes(path()));
    } catch (...) {
        failOnException(site);
    }
    return false;
}

} // namespace check
} // namespace Rt
