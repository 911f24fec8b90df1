#pragma once
#include <Rt/corelib/KxNode.h>
#include <cstdint>

// Where a model file lies: a directory text (ending in its separator, or empty)
// and a file name.
class KX_API KxFSStorageLocation : public KxBase {
public:
    KxFSStorageLocation(const KxString& directory, const KxString& fileName);
    ~KxFSStorageLocation() override;
    const KxString& directory() const { return m_directory; }
    const KxString& fileName() const { return m_fileName; }
    KxString path() const { return m_directory + m_fileName; }

private:
    KxString m_directory;
    KxString m_fileName;
};

// A model file. The stand-in opens any readable file and keeps its size.
class KX_API KxPartition : public KxNode {
public:
    ~KxPartition() override;

    // Leaves `out` holding the partition when directory + name is a readable
    // file, and empty otherwise. `parent` may be null.
    static bool openPartition(KxFSStorageLocation* location, KxPartition* parent,
                              Kx::SharedPtr<KxPartition>& out);
    // True for a partition that was opened.
    static bool openAllPartitions(KxPartition* partition, bool recursive);
    // Format version used for partitions opened from now on.
    static void setVersion(int major, int minor);
    static int versionMajor();
    static int versionMinor();

    const KxString& path() const { return m_path; }
    std::uint64_t byteSize() const { return m_bytes; }
    KxPartition* parent() const { return m_parent.get(); }

private:
    KxPartition(const KxString& path, std::uint64_t bytes, KxPartition* parent);
    KxString m_path;
    std::uint64_t m_bytes;
    Kx::SharedPtr<KxPartition> m_parent;
};
