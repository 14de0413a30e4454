// SPDX-License-Identifier: Apache-2.0
// A map of unread areas laid over a file's extents: the bytes of the file in an area not finished,
// an area that touches the file by a single sector counted, one that ends where the file starts
// not.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "disk/MemorySource.h"
#include "volume/UnreadAreas.h"

namespace kestrel::volume {
namespace {

using imaging::BlockStatus;

// A map of 1 MiB: finished but for [8192, 12288) never tried, [12288, 12800) bad, and [65536,
// 66048) still to be trimmed.
UnreadAreas Areas() {
  imaging::RescueMap map(1 << 20);
  map.Mark(0, 1 << 20, BlockStatus::Finished);
  map.Mark(8192, 4096, BlockStatus::NonTried);
  map.Mark(12288, 512, BlockStatus::BadSector);
  map.Mark(65536, 512, BlockStatus::NonTrimmed);
  return UnreadAreas(map);
}

FileDataLayout Ranges(std::vector<SourceRange> ranges) {
  FileDataLayout layout;
  for (const SourceRange& range : ranges) layout.size += range.length;
  layout.ranges = std::move(ranges);
  return layout;
}

TEST(UnreadAreas, TheBytesOfEachFileInAnAreaNotFinishedAreCounted) {
  const UnreadAreas areas = Areas();
  EXPECT_EQ(areas.BytesIn(Ranges({{0, 8192, 0}})), 0u) << "ends where the area starts";
  EXPECT_EQ(areas.BytesIn(Ranges({{12800, 4096, 0}})), 0u) << "starts where the area ends";
  EXPECT_EQ(areas.BytesIn(Ranges({{0, 8192 + 512, 0}})), 512u) << "one sector into it";
  EXPECT_EQ(areas.BytesIn(Ranges({{12288, 4096, 0}})), 512u) << "its last sector";
  EXPECT_EQ(areas.BytesIn(Ranges({{4096, 16384, 0}})), 4096u + 512u)
      << "two runs of other states, one after the other, are one area";
  EXPECT_EQ(areas.BytesIn(Ranges({{0, 4096, 0}, {65536 + 100, 100, 4096}, {9000, 10, 4196}})), 110u)
      << "a file whose extents lie apart counts each";
  EXPECT_EQ(areas.BytesIn(Ranges({{-1, 4096, 0}})), 0u) << "a block no source holds is not here";
  EXPECT_EQ(areas.BytesIn(Ranges({{0, 1 << 20, 0}})), 4096u + 512u + 512u);
}

// A source that says itself which of its bytes it holds no data of, as an evidence file does.
class SourceWithUnread : public disk::MemorySource {
 public:
  explicit SourceWithUnread(std::vector<disk::ByteRange> unread)
      : MemorySource(std::vector<std::uint8_t>(1 << 20)), unread_(std::move(unread)) {}
  std::vector<disk::ByteRange> UnreadRanges() const override { return unread_; }

 private:
  std::vector<disk::ByteRange> unread_;
};

TEST(UnreadAreas, TheSourcesOwnUnreadRangesCountWithOrWithoutAMap) {
  EXPECT_FALSE(WithSourceUnread(std::nullopt, SourceWithUnread({})).has_value());
  const auto alone = WithSourceUnread(std::nullopt, SourceWithUnread({{131072, 1024}}));
  ASSERT_TRUE(alone.has_value());
  EXPECT_EQ(alone->BytesIn(Ranges({{130560, 4096, 0}})), 1024u);
  const auto joined = WithSourceUnread(Areas(), SourceWithUnread({{12288, 1024}, {131072, 512}}));
  ASSERT_TRUE(joined.has_value());
  EXPECT_EQ(joined->BytesIn(Ranges({{0, 1 << 20, 0}})), 4096u + 1024u + 512u + 512u)
      << "where the map and the source overlap, a byte counts once";
  EXPECT_EQ(WithSourceUnread(Areas(), SourceWithUnread({}))->BytesIn(Ranges({{0, 1 << 20, 0}})),
            4096u + 512u + 512u);
}

TEST(UnreadAreas, MapsAreFoundBesideTheImageAndMustDescribeIt) {
  const auto folder = std::filesystem::temp_directory_path() / "kestrel-unread-areas";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string image = (folder / "disk.img").string();
  EXPECT_EQ(MapBesideImage(image), std::nullopt);
  EXPECT_EQ(MapBesideImage(""), std::nullopt);
  std::ofstream(folder / "disk.map") << "0x0 +\n0x0 0x1000 +\n0x1000 0x200 -\n";
  EXPECT_EQ(MapBesideImage(image), (folder / "disk.map").string()) << "GNU ddrescue's habit";
  std::ofstream(folder / "disk.img.map") << "0x0 +\n0x0 0x1200 +\n";
  EXPECT_EQ(MapBesideImage(image), image + ".map") << "ours comes first";

  const auto loaded = LoadUnreadAreas((folder / "disk.map").string(), 0x1200);
  ASSERT_TRUE(loaded.ok()) << loaded.error();
  EXPECT_EQ(loaded.value().BytesIn(Ranges({{0, 0x1200, 0}})), 0x200u);
  const auto otherSize = LoadUnreadAreas((folder / "disk.map").string(), 0x2000);
  ASSERT_FALSE(otherSize.ok());
  EXPECT_NE(otherSize.error().find("disk.map: "), std::string::npos) << otherSize.error();
  EXPECT_FALSE(LoadUnreadAreas((folder / "none.map").string(), 0x1200).ok());
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kestrel::volume
