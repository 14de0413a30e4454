// SPDX-License-Identifier: Apache-2.0
// Volume records: the VolumeInfo where the directory walk looks for it (root block) and where a
// pool scan does (volume id), for each layout, record kind and "ZVL" choice.
#include <gtest/gtest.h>

#include "VolumeRecord.h"

namespace kestrel::mkimage {
namespace {

constexpr std::uint64_t kRoot = 0x0102030405060708;
constexpr std::uint64_t kVolumeId = 0x1122334455667788;

VolumeRecord Encode(BlockLayout layout, std::uint16_t kind, bool zvl,
                    std::vector<std::u16string> names = {u"VOL1"}) {
  return EncodeVolumeRecord({layout, 0x2000, std::move(names), kind, zvl, kRoot, kVolumeId});
}

// E: the last byte of the name "VOL1" (id 23: L1 at 0x7C, units from 0x7E).
constexpr std::size_t kE = 0x7E + 2 * 4 - 1;

TEST(VolumeRecord, CarriesTheVolumeMarkKindAndNameBlock) {
  const ByteBuffer record = Encode(BlockLayout::B, 2, true).bytes;
  EXPECT_TRUE(record.holdsText(2, "ND3"));
  EXPECT_EQ(record.read(8, 8), 0x2000u);
  EXPECT_NE(record.read(0x5C, 4), 0u) << "a start block of 0 would make scanners skip it";
  EXPECT_EQ(record.read(0x64, 3), 0u) << "neither form, so candidate 1 reads the name at 0x78";
  EXPECT_EQ(record.read(0x69, 2), 2u);
  EXPECT_EQ(record.read(0x78, 2), 23u);
  EXPECT_EQ(record.read(0x7C, 2), 4u);
  EXPECT_EQ(record.read(0, 2), record.size());
}

TEST(VolumeRecord, LayoutBKind1WithZvlSharesOneVolumeInfo) {
  const VolumeRecord volume = Encode(BlockLayout::B, 1, true);
  const std::size_t info = kE + 0x71;
  EXPECT_TRUE(volume.bytes.holdsText(info, "ZVL"));
  EXPECT_EQ(volume.bytes.read(info + 0x18, 8), kRoot);
  EXPECT_EQ(volume.bytes.read(info + 0x20, 8), kVolumeId);
  EXPECT_EQ(volume.poolScanVolumeId, kVolumeId);
  EXPECT_EQ(volume.bytes.size(), info + 608) << "the length covers the whole VolumeInfo";
}

TEST(VolumeRecord, LayoutBKind2WithZvlKeepsThePoolScanCopyFourBytesLater) {
  const VolumeRecord volume = Encode(BlockLayout::B, 2, true);
  EXPECT_TRUE(volume.bytes.holdsText(kE + 0x6C, "ZVL"));
  EXPECT_EQ(volume.bytes.read(kE + 0x6C + 0x18, 8), kRoot);
  EXPECT_EQ(volume.bytes.read(kE + 112 + 0x20, 8), kVolumeId);
  EXPECT_GE(volume.bytes.size(), kE + 112 + 608);
}

TEST(VolumeRecord, LayoutAWithoutZvlPlacesBothFieldsApart) {
  const VolumeRecord volume = Encode(BlockLayout::A, 1, false);
  EXPECT_FALSE(volume.bytes.holdsText(kE + 113, "ZVL"));
  EXPECT_EQ(volume.bytes.read(kE + 0x71 + 0x18, 8), kRoot);
  EXPECT_EQ(volume.bytes.read(kE + 97 + 0x20, 8), kVolumeId);
}

TEST(VolumeRecord, WhenTheFieldsOverlapTheRootBlockWins) {
  // Layout B kind 1 without "ZVL": root at E+0x76+0x18, pool scan's id at E+112+0x20.
  const VolumeRecord volume = Encode(BlockLayout::B, 1, false);
  EXPECT_EQ(volume.bytes.read(kE + 0x76 + 0x18, 8), kRoot);
  EXPECT_NE(volume.poolScanVolumeId, kVolumeId);
  EXPECT_EQ(volume.poolScanVolumeId, volume.bytes.read(kE + 112 + 0x20, 8));
}

TEST(VolumeRecord, ThreeNamesUseNameSpace20) {
  const ByteBuffer record = Encode(BlockLayout::B, 1, true, {u"A", u"BC", u"D"}).bytes;
  const std::size_t part2 = 0x78 + 10 + 2;
  const std::size_t part3 = part2 + 6 + 4;
  EXPECT_EQ(record.read(0x78, 2), 20u);
  EXPECT_EQ(record.read(part2, 2), 2u);
  EXPECT_EQ(record.read(part3, 1), 1u);
  EXPECT_TRUE(record.holdsText(part3 + 2 + 1 + 0x71, "ZVL")) << "E is the last byte of D";
}

TEST(VolumeRecord, LogicalVolumesIsAKind1RecordThatIsNoVolume) {
  const ByteBuffer record = EncodeLogicalVolumesRecord();
  EXPECT_TRUE(record.holdsText(2, "ND"));
  EXPECT_NE(record.read(4, 1), static_cast<std::uint64_t>('3'));
  EXPECT_EQ(record.read(0x69, 2), 1u);
  EXPECT_EQ(record.read(0x7C, 2), 14u);
  EXPECT_TRUE(record.holdsText(0x7E, std::string("L\0o\0g\0", 6)));
}

}  // namespace
}  // namespace kestrel::mkimage
