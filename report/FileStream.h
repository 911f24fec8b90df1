#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxByteStream.h>
#include <Rt/corelib/KxVec.h>
#include <cstdint>

namespace Rt {

// Small text-file class over the core library's file stream: whole-file read
// and write, and one long-lived output file appended to call after call.
// Text crosses the file boundary in its single-byte form, unchanged.
class RT_API FileStream : public KxRefCounted {
public:
    FileStream();
    FileStream(const FileStream& other);
    FileStream& operator=(const FileStream& other);
    ~FileStream() override;

    bool openFile(const KxString& name);
    bool closeFile();
    bool write(const KxString& text);
    bool write(const KxString& text, KxFileByteStream* target);
    // The same transaction for bytes that are already in single-byte form.
    bool writeBytes(const char* bytes, std::uint64_t count);
    bool readFile(const KxString& name, KxString& text);
    bool writeFile(const KxString& name, const KxString& text);

    bool isOpen() const { return static_cast<bool>(m_stream); }
    std::uint64_t position() const { return m_position; }

private:
    // One stream transaction: lock, reopen and reposition a closed stream,
    // write, tell, unlock.
    bool transact(KxFileByteStream* target, const char* bytes, std::uint64_t count);

    std::uint64_t m_position = 0;
    KxVec<char> m_buffer;
    Kx::SharedPtr<KxFileByteStream> m_stream;
};

} // namespace Rt
