#include "checks/LineDiff.h"
#include <algorithm>

namespace Rt {
namespace golden {

namespace {

constexpr std::size_t kLookAhead = 200;
constexpr std::size_t kLongestLine = 200;
constexpr std::size_t kContext = 3;

struct Line {
    std::string_view text;
    bool lastWithoutEnd = false;
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back({text.substr(start), true});
            break;
        }
        lines.push_back({text.substr(start, end - start), false});
        start = end + 1;
    }
    return lines;
}

enum class Op { keep, remove, add };

struct Edit {
    Op op;
    std::size_t reference; // index of the reference's line (keep, remove)
    std::size_t output;    // index of the output's line (keep, add)
};

class EditScript {
public:
    EditScript(const std::vector<Line>& a, const std::vector<Line>& b, const SameLine& same)
        : m_a(a), m_b(b), m_same(same) {}

    // Stops once it holds more than `maxChanges` changed lines: a diff
    // shows no more than that.
    std::vector<Edit> build(std::size_t maxChanges) {
        std::size_t i = 0, j = 0, changes = 0;
        while ((i < m_a.size() || j < m_b.size()) && changes <= maxChanges) {
            if (i < m_a.size() && j < m_b.size() && equal(i, j)) {
                m_edits.push_back({Op::keep, i++, j++});
                continue;
            }
            std::size_t skipA = m_a.size() - i, skipB = m_b.size() - j;
            findMeeting(i, j, skipA, skipB);
            for (std::size_t k = 0; k < skipA && changes <= maxChanges; ++k, ++changes)
                m_edits.push_back({Op::remove, i++, j});
            for (std::size_t k = 0; k < skipB && changes <= maxChanges; ++k, ++changes)
                m_edits.push_back({Op::add, i, j++});
        }
        return std::move(m_edits);
    }

private:
    bool equal(std::size_t i, std::size_t j) const {
        return m_a[i].lastWithoutEnd == m_b[j].lastWithoutEnd && m_same(m_a[i].text, m_b[j].text);
    }

    // The fewest lines to skip on both sides, in all, before two equal lines
    // meet; left as given (everything to the end) when none do nearby.
    void findMeeting(std::size_t i, std::size_t j, std::size_t& skipA, std::size_t& skipB) const {
        for (std::size_t total = 1; total <= 2 * kLookAhead; ++total)
            for (std::size_t x = 0; x <= total; ++x) {
                const std::size_t y = total - x;
                if (x > kLookAhead || y > kLookAhead) continue;
                if (i + x < m_a.size() && j + y < m_b.size() && equal(i + x, j + y)) {
                    skipA = x;
                    skipB = y;
                    return;
                }
            }
    }

    const std::vector<Line>& m_a;
    const std::vector<Line>& m_b;
    const SameLine& m_same;
    std::vector<Edit> m_edits;
};

std::string shownLine(char mark, const Line& line) {
    std::string text(1, mark);
    if (line.text.size() > kLongestLine) {
        text += line.text.substr(0, kLongestLine);
        text += "...";
    } else {
        text += line.text;
    }
    return text;
}

std::string range(std::size_t first, std::size_t count) {
    // A hunk with no line of one side names the line before it, as diff does.
    return std::to_string(count == 0 ? first : first + 1) + "," + std::to_string(count);
}

} // namespace

std::vector<std::string> unifiedDiff(std::string_view reference, std::string_view output, const SameLine& same,
                                     int maxLines) {
    const std::vector<Line> a = splitLines(reference);
    const std::vector<Line> b = splitLines(output);
    const std::size_t limit = static_cast<std::size_t>(std::max(maxLines, 3));
    const std::vector<Edit> edits = EditScript(a, b, same).build(limit);

    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < edits.size()) {
        // The next hunk: from the first change, with its context, to where
        // more than twice the context of unchanged lines follows.
        std::size_t change = at;
        while (change < edits.size() && edits[change].op == Op::keep) ++change;
        if (change == edits.size()) break;
        const std::size_t begin = change >= kContext ? std::max(at, change - kContext) : at;
        std::size_t lastChange = change;
        for (std::size_t k = change; k < edits.size() && k - lastChange <= 2 * kContext; ++k)
            if (edits[k].op != Op::keep) lastChange = k;
        const std::size_t end = std::min(edits.size(), lastChange + 1 + kContext);
        std::size_t countA = 0, countB = 0;
        for (std::size_t k = begin; k < end; ++k) {
            countA += edits[k].op != Op::add;
            countB += edits[k].op != Op::remove;
        }
        if (lines.empty()) {
            lines.push_back("--- reference");
            lines.push_back("+++ output");
        }
        lines.push_back("@@ -" + range(edits[begin].reference, countA) + " +" + range(edits[begin].output, countB) +
                        " @@");
        for (std::size_t k = begin; k < end; ++k) {
            const Edit& edit = edits[k];
            const Line& line = edit.op == Op::add ? b[edit.output] : a[edit.reference];
            lines.push_back(shownLine(edit.op == Op::keep ? ' ' : (edit.op == Op::remove ? '-' : '+'), line));
            if (line.lastWithoutEnd) lines.push_back("\\ No newline at end of file");
        }
        at = end;
    }
    if (lines.size() > limit) {
        lines.resize(limit - 1);
        lines.push_back("... (the diff goes on)");
    }
    return lines;
}

} // namespace golden
} // namespace Rt
