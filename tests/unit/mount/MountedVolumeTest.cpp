// SPDX-License-Identifier: Apache-2.0
// Reads through a mount: any range of a file, and EIO, never zeros, for bytes that cannot be
// read, each unreadable block logged once however often it is asked for.
#include <gtest/gtest.h>

#include <cerrno>

#include "disk/MemorySource.h"
#include "mount/MountedVolume.h"
#include "support/Files.h"
#include "volume/VolumeScanner.h"

namespace kestrel::mount {
namespace {

constexpr std::uint64_t kBlock = 4096;

std::uint8_t ByteAt(std::uint64_t offset) {
  return static_cast<std::uint8_t>(offset * 13 + 5);
}

std::vector<std::uint8_t> Disk(std::size_t blocks) {
  std::vector<std::uint8_t> bytes(blocks * kBlock);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = ByteAt(i);
  return bytes;
}

class MountedVolumeTest : public ::testing::Test {
 protected:
  // "/f.bin": blocks 3-4 and 8-9 of the pool (base 0), 4 blocks less 100 bytes; "/short.bin":
  // 3 blocks by its size, but its extent holds one.
  MountedVolume Mount(std::set<std::uint64_t> badSectors = {}) {
    volume::FileTree tree = volume::NewVolumeTree(u"V");
    tree.InsertScanItem(
        {u"f.bin", 10, 4 * kBlock - 100, volume::kTopDirectoryKey, {2, 3}, {{4, 8}}});
    tree.InsertScanItem({u"short.bin", 11, 3 * kBlock, volume::kTopDirectoryKey, {1, 12}, {}});
    disk::DiskReader source(
        std::make_shared<disk::FaultyMemorySource>(Disk(16), std::move(badSectors)));
    return MountedVolume(std::move(tree), std::move(source), 0, 1700000000, log_);
  }

  MountRead ReadAt(const MountedVolume& mounted, const std::string& path, std::uint64_t offset,
                   std::vector<std::uint8_t>& buffer) {
    const NodeId file = *mounted.Tree().Find(path);
    return mounted.Read(file, mounted.Layout(file), offset, buffer);
  }

  test::ScratchFolder folder_{"kestrel-mounted-volume"};
  app::LogReport log_{(folder_ / "log.txt").string()};
};

// Block n of the pool starts at (n - 1) * 4096 with a base of 0.
std::uint64_t Where(std::uint64_t block) {
  return (block - 1) * kBlock;
}

TEST_F(MountedVolumeTest, AnyRangeAcrossExtentsIsCutToTheSize) {
  const MountedVolume mounted = Mount();
  std::vector<std::uint8_t> buffer(1 << 20, 0xEE);
  const MountRead whole = ReadAt(mounted, "/f.bin", 0, buffer);
  ASSERT_EQ(whole.error, 0);
  ASSERT_EQ(whole.bytes, 4 * kBlock - 100);
  for (std::uint64_t i = 0; i < whole.bytes; ++i) {
    const std::uint64_t source = i < 2 * kBlock ? Where(3) + i : Where(8) + i - 2 * kBlock;
    ASSERT_EQ(buffer[i], ByteAt(source)) << i;
  }
  std::vector<std::uint8_t> small(10);
  EXPECT_EQ(ReadAt(mounted, "/f.bin", 2 * kBlock - 5, small).bytes, 10u);
  EXPECT_EQ(small[4], ByteAt(Where(4) + kBlock - 1));
  EXPECT_EQ(small[5], ByteAt(Where(8)));
  EXPECT_EQ(ReadAt(mounted, "/f.bin", 4 * kBlock - 100, small).bytes, 0u) << "at the end";
  EXPECT_EQ(ReadAt(mounted, "/f.bin", 1ull << 40, small).bytes, 0u) << "far past the end";
}

TEST_F(MountedVolumeTest, AnUnreadableBlockIsAnErrorForExactlyItsRangeAndLoggedOnce) {
  // A sector in the file's third block: a read that touches it fails, one that does not succeeds.
  const MountedVolume mounted = Mount({Where(8) / 512 + 2});
  std::vector<std::uint8_t> block(kBlock);
  for (int round = 0; round < 2; ++round) {
    std::vector<std::uint8_t> whole(1 << 20);
    EXPECT_EQ(ReadAt(mounted, "/f.bin", 0, whole).error, EIO);
    EXPECT_EQ(ReadAt(mounted, "/f.bin", 0, block).error, 0);
    EXPECT_EQ(ReadAt(mounted, "/f.bin", kBlock, block).error, 0);
    EXPECT_EQ(ReadAt(mounted, "/f.bin", 2 * kBlock, block).error, EIO);
    std::vector<std::uint8_t> few(10);
    EXPECT_EQ(ReadAt(mounted, "/f.bin", 2 * kBlock + 1100, few).error, EIO);
    const MountRead tail = ReadAt(mounted, "/f.bin", 3 * kBlock, block);
    EXPECT_EQ(tail.error, 0);
    EXPECT_EQ(tail.bytes, kBlock - 100);
  }
  const std::string log = test::ReadFileText(folder_ / "log.txt");
  const std::string line =
      "\nUnreadable while mounted, read as an I/O error: /f.bin bytes 8192 to 12287";
  EXPECT_NE(log.find(line), std::string::npos) << log;
  EXPECT_EQ(log.find(line) + 1, log.rfind("Unreadable")) << "one line, however often it is read";
}

TEST_F(MountedVolumeTest, BytesTheExtentsDoNotHoldAreAnErrorNeverZeros) {
  const MountedVolume mounted = Mount();
  std::vector<std::uint8_t> block(kBlock);
  EXPECT_EQ(ReadAt(mounted, "/short.bin", 0, block).error, 0);
  EXPECT_EQ(ReadAt(mounted, "/short.bin", kBlock, block).error, EIO);
  EXPECT_NE(test::ReadFileText(folder_ / "log.txt").find("/short.bin bytes 4096 to 8191"),
            std::string::npos);
}

}  // namespace
}  // namespace kestrel::mount
