// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "disk/MemorySource.h"
#include "disk/VolumeDirectory.h"
#include "support/PoolBytes.h"

namespace kestrel::disk {
namespace {

using namespace test;

constexpr std::uint64_t kHeader = 8;
const std::int64_t kBase = PoolBaseOf(kHeader);

DiskReader ReaderOf(Bytes& disk) {
  return DiskReader(std::make_shared<MemorySource>(disk.data()));
}

std::vector<std::u16string> Labels(const std::vector<DirectoryVolume>& volumes) {
  std::vector<std::u16string> labels;
  for (const auto& volume : volumes) {
    std::u16string label;
    for (const auto& name : volume.names) label += name;
    labels.push_back(label);
  }
  return labels;
}

class VolumeDirectory : public ::testing::Test {
 protected:
  VolumeDirectory() { PutPool(disk, kHeader, u"DATA", 3); }

  std::vector<DirectoryVolume> List() {
    SectorBuffer superBlock{};
    std::copy_n(disk.data().begin() + static_cast<std::ptrdiff_t>(kBase), 512, superBlock.begin());
    return ListPoolVolumes(ReaderOf(disk), kBase, superBlock);
  }

  Bytes disk{BlockAt(kBase, 8)};
};

TEST_F(VolumeDirectory, TheFirstNamedRecordIsThePoolsOwnAndIsNotListed) {
  std::size_t h = PutTreeBlock(disk, kBase, 3, 4);
  h += PutVolumeRecord(disk, h, 1, {u"LogicalVolumes"}, 0);
  h += PutVolumeRecord(disk, h, 2, {u"VOL1"}, 37);
  const std::size_t second = PutTreeBlock(disk, kBase, 4, kNoBlock);
  PutVolumeRecord(disk, second, 1, {u"A", u"B"}, 90);
  const auto volumes = List();
  EXPECT_EQ(Labels(volumes), (std::vector<std::u16string>{u"VOL1", u"AB"}));
  EXPECT_EQ(volumes[0].rootBlock, 37u);
  EXPECT_EQ(volumes[1].rootBlock, 90u);
}

TEST_F(VolumeDirectory, TheUnlistedRecordMayLieInALaterBlock) {
  std::size_t h = PutTreeBlock(disk, kBase, 3, 5);
  h += PutVolumeRecord(disk, h, 7, {u"NotAnObject"}, 1);  // kind 7 does not count
  h = PutTreeBlock(disk, kBase, 5, kNoBlock);
  h += PutVolumeRecord(disk, h, 2, {u"LogicalVolumes"}, 0);
  h += PutVolumeRecord(disk, h, 1, {u"X", u"Y", u"Z"}, 12);
  EXPECT_EQ(Labels(List()), (std::vector<std::u16string>{u"XYZ"}));
}

TEST_F(VolumeDirectory, RecordsOfOtherNameSpacesAreSkipped) {
  std::size_t h = PutTreeBlock(disk, kBase, 3, kNoBlock);
  h += PutVolumeRecord(disk, h, 1, {u"LogicalVolumes"}, 0);
  h += PutVolumeRecord(disk, h, 1, {u"ODD"}, 5, 21);
  h += PutVolumeRecord(disk, h, 1, {u"VOL"}, 6);
  EXPECT_EQ(Labels(List()), (std::vector<std::u16string>{u"VOL"}));
}

TEST_F(VolumeDirectory, EmptyDirectoryLoopsAndUnreadableBlocksEndTheWalk) {
  PutPool(disk, kHeader, u"DATA", kNoBlock);
  EXPECT_TRUE(List().empty());

  PutPool(disk, kHeader, u"DATA", 3);
  std::size_t h = PutTreeBlock(disk, kBase, 3, 3);  // links back to itself
  h += PutVolumeRecord(disk, h, 1, {u"LogicalVolumes"}, 0);
  PutVolumeRecord(disk, h, 1, {u"VOL"}, 6);
  EXPECT_EQ(List().size(), 1u);

  PutTreeBlock(disk, kBase, 3, 200);  // far beyond the end of the source
  EXPECT_EQ(List().size(), 1u);
}

TEST_F(VolumeDirectory, LayoutABlocksAreReadFrom0x30) {
  const std::size_t at = BlockAt(kBase, 3);
  disk.Put(at, "LEAF").PutU32(at + 0x18, kNoBlock);
  std::size_t h = at + 0x30;
  h += PutVolumeRecord(disk, h, 1, {u"LogicalVolumes"}, 0);
  PutVolumeRecord(disk, h, 1, {u"VOLA"}, 44);
  const auto volumes = List();
  ASSERT_EQ(Labels(volumes), (std::vector<std::u16string>{u"VOLA"}));
  EXPECT_EQ(volumes[0].rootBlock, 44u);
}

}  // namespace
}  // namespace kestrel::disk
