#include "TempDir.h"
#include "corelib/KxPartition.h"
#include <gtest/gtest.h>

namespace {

TEST(KxPartition, OpensAReadableFileOnly) {
    TempDir dir;
    TempDir::writeFile(dir.file("model.kx"), "model bytes");
    const KxString directory = KxString(dir.path().c_str()) + "/";

    Kx::SharedPtr<KxFSStorageLocation> present(new KxFSStorageLocation(directory, "model.kx"));
    Kx::SharedPtr<KxPartition> partition;
    EXPECT_TRUE(KxPartition::openPartition(present.get(), nullptr, partition));
    ASSERT_TRUE(partition);
    EXPECT_EQ(partition->path().toStdString(), dir.file("model.kx"));
    EXPECT_EQ(partition->byteSize(), 11u);
    EXPECT_TRUE(KxPartition::openAllPartitions(partition.get(), true));

    // A missing file leaves the output empty, also when it held a partition.
    Kx::SharedPtr<KxFSStorageLocation> missing(new KxFSStorageLocation(directory, "absent.kx"));
    Kx::SharedPtr<KxPartition> out = partition;
    EXPECT_FALSE(KxPartition::openPartition(missing.get(), nullptr, out));
    EXPECT_FALSE(out);
    EXPECT_FALSE(KxPartition::openAllPartitions(out.get(), false));

    Kx::SharedPtr<KxFSStorageLocation> directoryOnly(new KxFSStorageLocation(directory, ""));
    EXPECT_FALSE(KxPartition::openPartition(directoryOnly.get(), nullptr, out));
    EXPECT_FALSE(out);
    EXPECT_FALSE(KxPartition::openPartition(nullptr, nullptr, out));

    // A child keeps its parent alive.
    Kx::SharedPtr<KxPartition> child;
    ASSERT_TRUE(KxPartition::openPartition(present.get(), partition.get(), child));
    EXPECT_EQ(child->parent(), partition.get());
    EXPECT_EQ(partition->refCount(), 2);
}

} // namespace
