#include "corelib/KxByteStream.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Bytes pass through unchanged on every system: no line-end translation
// where the C run time would do it (Windows), no inheritance where a
// descriptor can be kept from child programs (POSIX).
#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

KxByteStream::~KxByteStream() = default;

bool KxByteStream::lock() {
    if (m_locked) return false;
    m_locked = true;
    return true;
}

bool KxByteStream::unlock() {
    if (!m_locked) return false;
    m_locked = false;
    return true;
}

KxFileByteStream::KxFileByteStream(const KxString& name, bool forReading, bool forWriting)
    : m_name(name), m_reading(forReading), m_writing(forWriting) {}

KxFileByteStream::~KxFileByteStream() {
    if (m_fd >= 0) ::close(m_fd);
}

void KxFileByteStream::open() {
    if (m_fd >= 0) return;
    std::string path = m_name.toStdString();
    if (path.empty()) throw KxStreamException("KxFileByteStream: empty or unrepresentable file name");
    int flags = O_CLOEXEC | O_BINARY;
    if (m_reading && m_writing) flags |= O_RDWR | O_CREAT;
    else if (m_writing) flags |= O_WRONLY | O_CREAT;
    else flags |= O_RDONLY;
    if (m_writing && !m_openedBefore) flags |= O_TRUNC;
    int fd;
    do { fd = ::open(path.c_str(), flags, 0644); } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw KxStreamException("KxFileByteStream: cannot open " + path + ": " + std::strerror(errno));
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw KxStreamException("KxFileByteStream: " + path + " is a directory");
    }
    m_fd = fd;
    m_openedBefore = true;
    m_position = 0;
}

void KxFileByteStream::close() {
    if (m_fd < 0) return;
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) throw KxStreamException("KxFileByteStream: close failed");
}

void KxFileByteStream::read(void* buffer, std::uint64_t capacity, std::uint64_t& count) {
    count = 0;
    if (m_fd < 0 || !m_reading) throw KxStreamException("KxFileByteStream: not open for reading");
    char* out = static_cast<char*>(buffer);
    while (count < capacity) {
        ssize_t n = ::read(m_fd, out + count, capacity - count);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw KxStreamException("KxFileByteStream: read failed");
        }
        if (n == 0) break;
        count += static_cast<std::uint64_t>(n);
    }
    m_position += count;
}

bool KxFileByteStream::write(const void* buffer, std::uint64_t count) {
    if (m_fd < 0 || !m_writing) return false;
    const char* in = static_cast<const char*>(buffer);
    while (count > 0) {
        ssize_t n = ::write(m_fd, in, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        in += n;
        count -= static_cast<std::uint64_t>(n);
        m_position += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool KxFileByteStream::seek(std::uint64_t position) {
    if (m_fd < 0 || ::lseek(m_fd, static_cast<off_t>(position), SEEK_SET) < 0) return false;
    m_position = position;
    return true;
}

bool KxFileByteStream::tell(std::uint64_t& position) {
    if (m_fd < 0) return false;
    position = m_position;
    return true;
}

bool KxFileByteStream::size(std::uint64_t& bytes) {
    struct stat info;
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0) return false;
    bytes = static_cast<std::uint64_t>(info.st_size);
    return true;
}
