#pragma once
#include <Rt/corelib/KxString.h>
#include <Rt/corelib/KxVec.h>
#include <Rt/report/FileStream.h>
#include <cstdint>

namespace Rt {

// The report's bytes on their way to the file: lines are assembled here and
// handed to the file in one write by flush().
//
// What one write of the file would carry is a piece. A piece holding a
// character without a single-byte form is dropped whole, as such a write
// would be. When the buffer cannot grow, what is pending goes to the file at
// once to make room: a line may then take more than one write, but it loses
// no byte (and the part of a piece already written can no longer be dropped).
class ReportBuffer {
public:
    explicit ReportBuffer(FileStream& file) : m_file(file) {}
    ReportBuffer(const ReportBuffer&) = delete;
    ReportBuffer& operator=(const ReportBuffer&) = delete;

    void beginPiece() {
        m_pieceStart = m_pending.size();
        m_pieceValid = true;
    }
    void put(const KxString::Unit* units, int count);
    void put(const KxString& text) { put(text.getConstPtr(), text.numChars()); }
    void put(const char* text);
    void put(char c) { putBytes(&c, 1); }
    void putBytes(const char* bytes, std::uint32_t count);
    void putSpaces(std::uint32_t count);
    // `spaces` spaces, `before`, the name, `after`, and the line end when
    // `endLine` is set.
    void putTag(std::uint32_t spaces, const char* before, const KxString& name, const char* after, bool endLine);
    // A whole line "<name>value</name>" after `spaces` spaces, for a value
    // that is single bytes already.
    void putElement(std::uint32_t spaces, const KxString& name, const char* value, std::uint32_t length);
    void putLineEnd() { putBytes("\r\n", 2); }
    // Ends the piece; a large buffer goes to the file right away, so that a
    // single very large record keeps it bounded.
    void endPiece();

    // Hands what is pending to the file in one write.
    void flush();

    // The system's error number of the first write that failed; 0 while
    // every byte reached the file.
    int writeError() const { return m_writeError; }
    // Remembers a failure of the file's own (opening it, say) as the first.
    void noteFailure(int error) {
        if (m_writeError == 0) m_writeError = error;
    }

private:
    char* room(std::uint32_t count) {
        if (m_pending.size() + std::uint64_t(count) <= m_pending.capacity()) return m_pending.extendBy(count);
        return roomAfterGrowing(count);
    }
    char* roomAfterGrowing(std::uint32_t count);
    // Narrows n units into `at`; false when one has no single-byte form.
    static bool narrow(const KxString::Unit* units, std::uint32_t n, char* at);
    void writeNow(const char* bytes, std::uint32_t count);

    FileStream& m_file;
    KxVec<char> m_pending;
    std::uint32_t m_pieceStart = 0;
    bool m_pieceValid = true;
    int m_writeError = 0;
};

} // namespace Rt
