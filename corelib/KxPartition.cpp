#include "corelib/KxPartition.h"
#include "corelib/KxByteStream.h"

KxNode::~KxNode() = default;
int KxNode::getNumChildren(bool) { return 0; }
KxNode* KxNode::getChild(int, bool) { return nullptr; }

KxFSStorageLocation::KxFSStorageLocation(const KxString& directory, const KxString& fileName)
    : m_directory(directory), m_fileName(fileName) {}
KxFSStorageLocation::~KxFSStorageLocation() = default;

namespace {
int g_versionMajor = 0;
int g_versionMinor = 0;
}

KxPartition::KxPartition(const KxString& path, std::uint64_t bytes, KxPartition* parent)
    : m_path(path), m_bytes(bytes), m_parent(parent) {}
KxPartition::~KxPartition() = default;

bool KxPartition::openPartition(KxFSStorageLocation* location, KxPartition* parent,
                                Kx::SharedPtr<KxPartition>& out) {
    out = nullptr;
    if (!location) return false;
    KxString path = location->path();
    Kx::SharedPtr<KxFileByteStream> file(new KxFileByteStream(path, true, false));
    if (!file) return false;
    std::uint64_t bytes = 0;
    try {
        file->open();
        char probe;
        std::uint64_t got = 0;
        file->read(&probe, 1, got);  // readable, not merely present
        file->size(bytes);
    } catch (const KxStreamException&) {
        return false;
    }
    out = new KxPartition(path, bytes, parent);
    return static_cast<bool>(out);
}

bool KxPartition::openAllPartitions(KxPartition* partition, bool) { return partition != nullptr; }

void KxPartition::setVersion(int major, int minor) {
    g_versionMajor = major;
    g_versionMinor = minor;
}
int KxPartition::versionMajor() { return g_versionMajor; }
int KxPartition::versionMinor() { return g_versionMinor; }
