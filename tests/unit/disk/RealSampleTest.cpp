// SPDX-License-Identifier: Apache-2.0
// The only real NSS bytes public data holds: a pool super block at 0x1000 of an 8 KiB image.
#include <gtest/gtest.h>

#include "disk/MemorySource.h"
#include "disk/NssStructures.h"
#include "disk/VolumeDirectory.h"
#include "support/RealSample.h"

namespace kestrel::disk {
namespace {

TEST(RealSuperBlockSample, ReadsAsItsSourceDescribesIt) {
  const auto sample = test::RealSuperBlockSample();
  if (!sample)
    GTEST_SKIP() << "SKIPPED: the real sample superblock-sample.img.xz is not on this machine";
  ASSERT_EQ(sample->size(), 8192u);
  const ByteView superBlock = ByteView(*sample).subspan(0x1000);
  EXPECT_FALSE(IsPoolSuperBlock(*sample));
  EXPECT_TRUE(IsPoolSuperBlock(superBlock));
  EXPECT_EQ(VolumeDirectoryAnchorBlock(superBlock), 0x00AE0004u);
  EXPECT_EQ(ReadUtf16UntilZero(superBlock, 0xCC, 64), u"NSS1POOLNEW");

  // The anchor lies far beyond the end of the file: the directory walk ends cleanly, empty.
  const DiskReader reader(std::make_shared<MemorySource>(*sample));
  EXPECT_TRUE(ListPoolVolumes(reader, 0x1000, superBlock).empty());
}

}  // namespace
}  // namespace kestrel::disk
