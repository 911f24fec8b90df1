#include "report/FileStream.h"
#include "report/WholeFileReader.h"
#include <cstring>
#include <new>

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
    Kx::SharedPtr<KxFileByteStream> source(new KxFileByteStream(name, true, false));
    if (!source) return FileReadResult::eNoStream;
    try {
        source->open();
    } catch (...) {
        return FileReadResult::eOpenFailed;
    }
    if (!source->lock()) return FileReadResult::eLockFailed;
    // Grown once to the file's size, the text is not copied while it grows.
    std::uint64_t bytes = 0;
    if (source->size(bytes) && bytes < 0x7fffffffu) {
        try {
            text.reserve(static_cast<int>(bytes));
        } catch (const std::bad_alloc&) {
            // it grows as it is read instead
        }
    }
    char chunk[1001];
    try {
        std::uint64_t count = 0;
        long long offset = 0;
        do {
            source->read(chunk, 1000, count);
            if (zeroByte && *zeroByte < 0) {
                if (const void* zero = std::memchr(chunk, 0, count))
                    *zeroByte = offset + (static_cast<const char*>(zero) - chunk);
            }
            offset += static_cast<long long>(count);
            chunk[count] = '\0';
            text += chunk;
        } while (count >= 1000);
    } catch (...) {
        // what was read so far stays in the text
    }
    if (!source->unlock()) return FileReadResult::eUnlockFailed;
    try {
        source->close();
    } catch (...) {
        return FileReadResult::eCloseFailed;
    }
    return FileReadResult::eOk;
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
