#include "report/FileStream.h"
#include "report/FileTextReader.h"
#include <climits>

namespace Rt {

FileStream::FileStream() = default;

FileStream::FileStream(const FileStream&) = default;

FileStream& FileStream::operator=(const FileStream&) = default;

// The stream closes its file when its last reference goes.
FileStream::~FileStream() = default;

bool FileStream::openFile(const KxString& name) {
    if (m_stream) return true;
    m_stream = new KxFileByteStream(name, false, true);
    if (!m_stream) return false;
    try {
        m_stream->open();
    } catch (...) {
        m_stream = nullptr;
    }
    return static_cast<bool>(m_stream);
}

bool FileStream::closeFile() {
    if (!m_stream) return false;
    m_stream->close();
    m_stream = nullptr;
    return true;
}

bool FileStream::write(const KxString& text) { return write(text, m_stream.get()); }

bool FileStream::write(const KxString& text, KxFileByteStream* target) {
    if (!target) return false;
    const int n = text.numChars();
    const std::uint32_t needed = static_cast<std::uint32_t>(n) + 2;
    if (m_buffer.size() < needed && !m_buffer.setLength(needed)) return false;
    if (!text.stringToMbs(m_buffer.data(), static_cast<int>(needed))) return false;
    return transact(target, m_buffer.data(), static_cast<std::uint64_t>(n));
}

bool FileStream::writeBytes(const char* bytes, std::uint64_t count) {
    if (!m_stream) return false;
    return transact(m_stream.get(), bytes, count);
}

bool FileStream::transact(KxFileByteStream* target, const char* bytes, std::uint64_t count) {
    target->lock();
    bool reopened = true;
    if (!target->isOpen()) {
        try {
            target->open();
        } catch (...) {
            reopened = false;
        }
        target->seek(m_position);
    }
    bool written = false;
    if (reopened) {
        written = target->write(bytes, count);
        target->tell(m_position);
    }
    target->unlock();
    return written;
}

bool FileStream::readFile(const KxString& name, KxString& text) {
    return readWholeFile(name, text) == FileReadResult::eOk;
}

FileReadResult readWholeFile(const KxString& name, KxString& text, long long* zeroByte) {
    if (zeroByte) *zeroByte = -1;
    if (!text.clear()) return FileReadResult::eClearFailed;
    FileTextReader reader(name);
    const FileReadResult opened = reader.open();
    if (opened != FileReadResult::eOk) return opened;
    try {
        // Room for the whole file at once: growing step by step would hold
        // the text twice over while it moves, and more than it needs after.
        const std::uint64_t size = reader.size();
        if (size > 0 && size < INT_MAX) text.reserve(static_cast<int>(size));
        std::string block;
        while (reader.readMore(block)) {
            text += KxString(block.data(), static_cast<int>(block.size()));
            block.clear();
        }
    } catch (...) {
        // what was read so far stays in the text
    }
    if (zeroByte) *zeroByte = reader.firstZeroByte();
    return reader.close();
}

bool FileStream::writeFile(const KxString& name, const KxString& text) {
    Kx::SharedPtr<KxFileByteStream> target(new KxFileByteStream(name, false, true));
    if (!target) return false;
    try {
        target->open();
    } catch (...) {
        return false;
    }
    return write(text, target.get());
}

} // namespace Rt
