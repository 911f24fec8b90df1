#include "report/FileTextReader.h"
#include <cstring>

namespace Rt {

namespace {
const std::size_t kPiece = 1000;
// Many pieces per system call; a multiple of the piece, so pieces stay where
// the whole-file read cuts them.
const std::size_t kBlock = 64 * kPiece;
} // namespace

FileTextReader::FileTextReader(const KxString& name) : m_source(new KxFileByteStream(name, true, false)) {}

FileTextReader::~FileTextReader() {
    if (m_source && m_source->isLocked()) close();
}

FileReadResult FileTextReader::open() {
    if (!m_source) return FileReadResult::eNoStream;
    try {
        m_source->open();
    } catch (...) {
        m_source = nullptr;
        return FileReadResult::eOpenFailed;
    }
    if (!m_source->lock()) {
        m_source = nullptr;
        return FileReadResult::eLockFailed;
    }
    return FileReadResult::eOk;
}

std::uint64_t FileTextReader::size() const {
    std::uint64_t bytes = 0;
    if (!m_source || !m_source->size(bytes)) return 0;
    return bytes;
}

bool FileTextReader::readMore(std::string& text) {
    if (m_ended || !m_source || !m_source->isLocked()) return false;
    const std::size_t before = text.size();
    text.resize(before + kBlock);
    std::uint64_t count = 0;
    try {
        m_source->read(&text[before], kBlock, count);
    } catch (...) {
        count = 0;
    }
    if (count < kBlock) m_ended = true;
    char* kept = &text[before];
    for (std::size_t piece = 0; piece < count; piece += kPiece) {
        const char* from = &text[before + piece];
        std::size_t length = std::min<std::size_t>(kPiece, static_cast<std::size_t>(count) - piece);
        if (const void* zero = std::memchr(from, 0, length)) {
            length = static_cast<std::size_t>(static_cast<const char*>(zero) - from);
            if (m_firstZero < 0) m_firstZero = m_offset + static_cast<long long>(piece + length);
        }
        std::memmove(kept, from, length);
        kept += length;
    }
    text.resize(static_cast<std::size_t>(kept - text.data()));
    m_offset += static_cast<long long>(count);
    return count > 0;
}

FileReadResult FileTextReader::close() {
    if (!m_source) return FileReadResult::eOk;
    Kx::SharedPtr<KxFileByteStream> source = m_source;
    m_source = nullptr;
    if (!source->unlock()) return FileReadResult::eUnlockFailed;
    try {
        source->close();
    } catch (...) {
        return FileReadResult::eCloseFailed;
    }
    return FileReadResult::eOk;
}

} // namespace Rt
