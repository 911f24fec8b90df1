#pragma once
#include <Rt/corelib/KxStdError.h>
#include <cstdint>
#include <stdexcept>

// What the streams throw when a file cannot be opened, read or closed.
class KX_API KxStreamException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class KX_API KxByteStream : public KxBase {
public:
    ~KxByteStream() override;

    virtual void open() = 0;
    virtual void close() = 0;
    virtual void read(void* buffer, std::uint64_t capacity, std::uint64_t& count) = 0;
    virtual bool write(const void* buffer, std::uint64_t count) = 0;
    virtual bool seek(std::uint64_t position) = 0;
    virtual bool tell(std::uint64_t& position) = 0;
    virtual bool size(std::uint64_t& bytes) = 0;
    virtual bool isOpen() const = 0;

    // Brackets one access. The lock is not recursive: locking a locked
    // stream, or unlocking an unlocked one, fails.
    bool lock();
    bool unlock();
    bool isLocked() const { return m_locked; }

private:
    bool m_locked = false;
};

// A file as a byte stream. (true, false) reads, (false, true) writes.
// For writing, the first open() of an object creates or truncates the file and
// a later open() keeps what is there. Every write() hands its bytes to the
// operating system before it returns. Losing the last reference closes the file.
class KX_API KxFileByteStream : public KxByteStream {
public:
    KxFileByteStream(const KxString& name, bool forReading, bool forWriting);
    ~KxFileByteStream() override;

    void open() override;   // throws KxStreamException
    void close() override;  // throws KxStreamException when the system refuses
    void read(void* buffer, std::uint64_t capacity, std::uint64_t& count) override;  // throws
    bool write(const void* buffer, std::uint64_t count) override;
    bool seek(std::uint64_t position) override;
    bool tell(std::uint64_t& position) override;
    bool size(std::uint64_t& bytes) override;
    bool isOpen() const override { return m_fd >= 0; }

    const KxString& name() const { return m_name; }

private:
    KxString m_name;
    bool m_reading;
    bool m_writing;
    bool m_openedBefore = false;
    int m_fd = -1;
    // The stream's own idea of the file position: every read, write and seek
    // goes through it, so tell() needs no system call.
    std::uint64_t m_position = 0;
};
