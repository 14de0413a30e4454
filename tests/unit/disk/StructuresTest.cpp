// SPDX-License-Identifier: Apache-2.0
// Decoders of the NSS structures over hand-made sectors and blocks: the decoded fields first, then
// one corruption per check.
#include <gtest/gtest.h>

#include "disk/ByteReader.h"
#include "disk/NssStructures.h"
#include "disk/TreeBlock.h"
#include "disk/VolumeInfo.h"
#include "support/Bytes.h"

namespace kestrel::disk {
namespace {

using test::Bytes;

constexpr std::string_view kBoot{"\xEB\x71\x90GMBR\0", 8};

TEST(ByteReader, FieldsOutsideTheBufferReadAsAbsent) {
  Bytes bytes(8);
  bytes.PutU64(0, 0x0807060504030201);
  const ByteView view = bytes.data();
  EXPECT_EQ(ReadU32(view, 4), 0x08070605u);
  EXPECT_EQ(ReadU32(view, 5), 0u);
  EXPECT_EQ(ReadU64(view, SIZE_MAX - 2), 0u);
  EXPECT_EQ(ReadU24(view, 0), 0x030201u);
  EXPECT_FALSE(HasBytesAt(view, 7, std::string_view("\x08\x00", 2)));
  EXPECT_EQ(ReadUtf16(view, 4, 10).size(), 2u);
  EXPECT_TRUE(ReadUtf16(view, 9, 10).empty());
}

TEST(BootSector, OnlyTheExactEightBytesMarkANetWareDisk) {
  Bytes sector(512);
  sector.Put(0, kBoot).PutU32(0x1D6, 2048);
  EXPECT_TRUE(IsNetWareBootSector(sector.data()));
  EXPECT_EQ(FirstPartitionHeaderSector(sector.data()), 2048u);
  for (std::size_t i = 0; i < kBoot.size(); ++i) {
    Bytes damaged = sector;
    damaged.PutU8(i, static_cast<std::uint8_t>(kBoot[i] ^ 0x20));
    EXPECT_FALSE(IsNetWareBootSector(damaged.data())) << "byte " << i;
  }
}

TEST(PartitionHeader, SignatureLinkExtentAndContinuation) {
  Bytes header(512);
  header.Put(0, std::string_view("\x01Nw_PaRtItIoN", 13)).PutU32(0x10, 7).PutU32(0x14, 40960);
  header.PutU32(0xBC, 0xFFFFFFF0);
  EXPECT_TRUE(IsPartitionHeader(header.data()));
  EXPECT_EQ(PartitionContinuation(header.data()), 7u);
  EXPECT_EQ(PartitionExtentSectors(header.data()), 40960u);
  EXPECT_EQ(NextPartitionHeaderSector(header.data()), 0xFFFFFFF0u) << "sector numbers are unsigned";
  header.PutU8(12, 'n');
  EXPECT_FALSE(IsPartitionHeader(header.data()));
}

TEST(PoolSectors, LabelNameSizeAndSuperBlockAnchor) {
  Bytes label(512);
  label.PutU64(0x20, 0x1'0000'0000).PutUtf16(0x28, u"DATA");
  EXPECT_EQ(PoolName(label.data()), u"DATA");
  EXPECT_EQ(PoolSectorCount(label.data()), 0x1'0000'0000u);
  label.PutUtf16(0x28, std::u16string(300, u'x'));
  EXPECT_EQ(PoolName(label.data()).size(), 236u)
      << "an unterminated name stops at the sector's end";

  Bytes superBlock(512);
  superBlock.Put(0, "SPB5").PutU64(0xBC, 0x00AE0004);
  EXPECT_TRUE(IsPoolSuperBlock(superBlock.data()));
  EXPECT_EQ(VolumeDirectoryAnchorBlock(superBlock.data()), 0x00AE0004u);
  superBlock.Put(0, "SPB6");
  EXPECT_FALSE(IsPoolSuperBlock(superBlock.data()));
}

TEST(BlockOffset, IsComputedInSixtyFourBitsFromBlockOne) {
  EXPECT_EQ(BlockOffset(0x5000, 1), 0x5000);
  EXPECT_EQ(BlockOffset(0x5000, 0), 0x4000) << "block 0 lies one block before the super block";
  EXPECT_EQ(BlockOffset(0x5000, 1048577), 0x5000 + 0x1'0000'0000LL) << "no 32-bit truncation";
  EXPECT_EQ(BlockOffset(0, 0), std::nullopt);
  EXPECT_EQ(BlockOffset(0x5000, UINT64_MAX), std::nullopt);
  EXPECT_EQ(BlockOffset(INT64_MAX - 100, 2), std::nullopt);
}

TEST(TreeBlock, LayoutIsToldByTheMarkAt0x32) {
  Bytes block(4096);
  block.Put(0, "LEAF").PutU32(0x18, 11).PutU32(0x20, 22).PutU64(0x10, 99);
  EXPECT_EQ(TreeBlockLayout(block.data()).layout, BlockLayout::B);
  EXPECT_EQ(TreeBlockLayout(block.data()).recordArea, 0x28u);
  EXPECT_EQ(TreeBlockLink(block.data()), 22u);
  EXPECT_EQ(TreeBlockVolumeId(block.data()), 99u);
  block.Put(0x32, "ND");
  EXPECT_EQ(TreeBlockLayout(block.data()).layout, BlockLayout::A);
  EXPECT_EQ(TreeBlockLayout(block.data()).recordArea, 0x30u);
  EXPECT_EQ(TreeBlockLink(block.data()), 11u);
  EXPECT_TRUE(IsTreeBlock(block.data()));
}

std::vector<std::size_t> RecordOffsets(const Bytes& block) {
  std::vector<std::size_t> offsets;
  ForEachRecord(block.data(), [&](ByteView, std::size_t h) { offsets.push_back(h); });
  return offsets;
}

TEST(TreeBlock, RecordWalkStopsAtLengthZeroAndAt3600) {
  Bytes block(4096);
  const std::size_t area = 0x28;
  block.PutU16(area + 0, 100).PutU16(area + 100, 200);  // then a record of length 0 at 300
  EXPECT_EQ(RecordOffsets(block), (std::vector<std::size_t>{0, 100, 300}));

  Bytes full(4096);
  for (std::size_t h = 0; h < 4000; h += 600) full.PutU16(area + h, 600);
  EXPECT_EQ(RecordOffsets(full), (std::vector<std::size_t>{0, 600, 1200, 1800, 2400, 3000}))
      << "a record at 3600 is not read";
}

TEST(VolumeInfo, PositionFollowsLayoutKindAndMark) {
  Bytes area(2048);
  const std::size_t end = 100;
  EXPECT_EQ(LocateVolumeInfo(area.data(), end, BlockLayout::A, 2), end + 0x71);
  EXPECT_EQ(LocateVolumeInfo(area.data(), end, BlockLayout::B, 1), end + 0x76);
  EXPECT_EQ(LocateVolumeInfo(area.data(), end, BlockLayout::B, 2), end + 0x71);
  area.Put(end + 0x71, "ZVL").Put(end + 0x6C, "ZVL");
  EXPECT_EQ(LocateVolumeInfo(area.data(), end, BlockLayout::B, 1), end + 0x71);
  EXPECT_EQ(LocateVolumeInfo(area.data(), end, BlockLayout::B, 2), end + 0x6C);
}

TEST(VolumeInfo, BytesPastTheBlockReadAsZero) {
  Bytes area(700);
  area.PutU64(600 + 0x18, 37).PutU8(699, 0xEE);
  const VolumeInfo info = CopyVolumeInfo(area.data(), 600);
  EXPECT_EQ(VolumeRootBlock(info), 37u);
  EXPECT_EQ(info[99], 0xEE);
  EXPECT_EQ(info[100], 0);
  EXPECT_EQ(VolumeRootBlock(CopyVolumeInfo(area.data(), 5000)), 0u);
}

}  // namespace
}  // namespace kestrel::disk
