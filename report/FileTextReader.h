#pragma once
#include "corelib/KxByteStream.h"
#include "report/WholeFileReader.h"
#include <string>

namespace Rt {

// Reads a text file block by block, as the whole-file read sees it: the file
// in pieces of 1000 bytes, each piece's text ending at its first zero byte.
// Callers that only look at part of a file at a time need not hold it whole.
class FileTextReader {
public:
    explicit FileTextReader(const KxString& name);
    FileTextReader(const FileTextReader&) = delete;
    FileTextReader& operator=(const FileTextReader&) = delete;
    ~FileTextReader();

    FileReadResult open();
    // Appends the next block's text to `text`; false once the file has ended
    // or a read failed (the text read before stays). Throws only what growing
    // `text` throws.
    bool readMore(std::string& text);
    FileReadResult close();
    // The file's size in bytes when open; 0 when it cannot be told.
    std::uint64_t size() const;
    // The offset in the file of its first zero byte read so far; -1 when none.
    long long firstZeroByte() const { return m_firstZero; }

private:
    Kx::SharedPtr<KxFileByteStream> m_source;
    bool m_ended = false;
    long long m_offset = 0;  // of the next block in the file
    long long m_firstZero = -1;
};

} // namespace Rt
