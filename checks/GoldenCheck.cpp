#include "checks/GoldenCheck.h"
#include "checks/LineDiff.h"
#include "checks/TokenCompare.h"
#include "env/GlobalStorage.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace Rt {
namespace check {

namespace {

namespace fs = std::filesystem;

constexpr int kMostDiffLines = 40;

// A name that stays inside the golden directories: relative, no ".." part.
bool usableName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':')) return false;
    for (const fs::path& part : fs::path(name))
        if (part == "..") return false;
    return true;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

enum class ReadOutcome { read, missing, failed };

ReadOutcome readFile(const std::string& path, std::string& bytes, std::string& problem) {
    std::error_code error;
    if (!fs::exists(path, error)) return ReadOutcome::missing;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    if (in) content << in.rdbuf();
    if (!in || in.bad()) {
        problem = std::strerror(errno);
        return ReadOutcome::failed;
    }
    bytes = content.str();
    return ReadOutcome::read;
}

bool writeFile(const std::string& path, const std::string& bytes, std::string& problem) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (out) out.close();
    if (!out) {
        problem = std::strerror(errno);
        return false;
    }
    return true;
}

std::string hexByte(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

std::string firstDifferentByte(const std::string& reference, const std::string& output) {
    std::size_t at = 0;
    while (at < reference.size() && at < output.size() && reference[at] == output[at]) ++at;
    std::string line = "first difference at byte " + std::to_string(at);
    if (at == reference.size())
        line += ": the reference ends there";
    else if (at == output.size())
        line += ": the output ends there";
    else
        line += " (reference " + hexByte(static_cast<unsigned char>(reference[at])) + ", output " +
                hexByte(static_cast<unsigned char>(output[at])) + ")";
    return line + "; the reference has " + std::to_string(reference.size()) + " bytes, the output " +
           std::to_string(output.size());
}

// One golden comparison: the paths it involves and the record it builds.
class GoldenComparison {
public:
    GoldenComparison(const Site& site, const std::string& name) : m_site(site), m_name(name) {}

    // Compares `output` (already in memory) with the reference; writes the
    // output file first unless `alreadyThere` (the output path holds it).
    bool run(const std::string& output, GoldenMode mode, double tolerance, bool binary) {
        if (!usableName(m_name)) {
            fail(m_site, {"the golden name \"" + m_name + "\" must be a relative path without \"..\""});
            return false;
        }
        const std::string outDir = outDataDir().toStdString();
        const std::string expected = inDataDir().toStdString() + "expected/";
        const std::string platformReference = expected + platform().toStdString() + "/" + m_name;
        std::error_code error;
        const std::string reference =
            absolutePath(fs::exists(platformReference, error) ? platformReference : expected + m_name);
        const std::string outputPath = absolutePath(outDir + m_name);

        std::string problem;
        if (!writeFile(outputPath, output, problem)) {
            fail(m_site, {"cannot write the output " + outputPath + ": " + problem, "reference: " + reference});
            return false;
        }
        std::string expectedBytes;
        switch (readFile(reference, expectedBytes, problem)) {
        case ReadOutcome::missing:
            fail(m_site, {"no reference yet: if the output is right, take it with rtrun --accept (or copy it to the reference path below)",
                          "reference: " + reference, "output: " + outputPath});
            return false;
        case ReadOutcome::failed:
            fail(m_site, {"cannot read the reference: " + problem, "reference: " + reference, "output: " + outputPath});
            return false;
        case ReadOutcome::read:
            break;
        }

        std::vector<std::string> lines{std::string(), "reference: " + reference, "output: " + outputPath};
        golden::SameLine same = [](std::string_view a, std::string_view b) { return a == b; };
        if (mode == GoldenMode::tokens) {
            const golden::TokenComparison tokens = golden::compareTokens(expectedBytes, output, tolerance);
            if (tokens.equal) return true;
            lines[0] = "the output differs from the reference: " + tokens.firstDifference;
            same = [tolerance](std::string_view a, std::string_view b) {
                return golden::compareTokens(a, b, tolerance).equal;
            };
        } else {
            if (expectedBytes == output) return true;
            lines[0] = binary ? firstDifferentByte(expectedBytes, output) : "the output differs from the reference";
        }
        if (!binary)
            for (std::string& line : golden::unifiedDiff(expectedBytes, output, same, kMostDiffLines))
                lines.push_back(std::move(line));
        fail(m_site, lines);
        return false;
    }

private:
    const Site& m_site;
    std::string m_name;
};

} // namespace

std::string goldenBytes(const KxString& text) {
    std::string bytes(static_cast<std::size_t>(text.numChars()), '\0');
    for (int i = 0; i < text.numChars(); ++i) {
        const KxString::Unit unit = text.at(i);
        bytes[static_cast<std::size_t>(i)] = unit > 0xFF ? '?' : static_cast<char>(unit);
    }
    return bytes;
}

bool compareGoldenText(const Site& site, const std::string& name, const std::string& text, GoldenMode mode,
                       double tolerance) noexcept {
    try {
        return GoldenComparison(site, name).run(text, mode, tolerance, false);
    } catch (...) {
        failOnException(site);
    }
    return false;
}

bool compareGoldenFile(const Site& site, const std::string& name, const std::string& path) noexcept {
    try {
        std::string bytes, problem;
        if (readFile(path, bytes, problem) != ReadOutcome::read) {
            fail(site, {"cannot read the file " + absolutePath(path) + (problem.empty() ? ": it does not exist"
                                                                                      : ": " + problem)});
            return false;
        }
        return GoldenComparison(site, name).run(bytes, GoldenMode::bytes, 0.0, true);
    } catch (...) {
        failOnException(site);
    }
    return false;
}

} // namespace check
} // namespace Rt
