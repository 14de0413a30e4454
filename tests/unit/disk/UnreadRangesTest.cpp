// SPDX-License-Identifier: Apache-2.0
// The ranges a source holds no data of: joined and looked up, read as failures rather than as the
// zeros imaging put there, and, beside a RAID member's image, rebuilt from the other members
// where the level keeps parity of them.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "disk/MemorySource.h"
#include "disk/UnreadRanges.h"
#include "disk/raid/RaidDefinition.h"
#include "support/Files.h"
#include "support/RaidStripes.h"

namespace kestrel::disk {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(UnreadRanges, AreJoinedInOrderAndLookedUpByTheBytesTheyShare) {
  const auto joined = JoinRanges({{4096, 512}, {0, 512}, {512, 512}, {4200, 1000}, {9000, 0}});
  EXPECT_EQ(joined, (std::vector<ByteRange>{{0, 1024}, {4096, 1104}}));
  EXPECT_TRUE(TouchesRange(joined, 1023, 1));
  EXPECT_FALSE(TouchesRange(joined, 1024, 3072)) << "ends where the next starts";
  EXPECT_TRUE(TouchesRange(joined, 2000, 2097));
  EXPECT_FALSE(TouchesRange(joined, 5200, 100000));
  EXPECT_FALSE(TouchesRange(joined, 0, 0));
}

TEST(UnreadRanges, ReadAsFailuresAndAreSaidWithThoseOfTheSourceUnder) {
  UnreadRangeSource source(std::make_shared<MemorySource>(Bytes(8192, 7)), {{1024, 512}});
  Bytes buffer(512);
  Bytes page(4096);
  EXPECT_TRUE(source.ReadAt(512, buffer));
  EXPECT_FALSE(source.ReadAt(1024, buffer));
  EXPECT_FALSE(source.ReadSome(0, page).has_value());
  EXPECT_TRUE(source.ReadAt(1536, buffer));
  EXPECT_EQ(source.UnreadRanges(), (std::vector<ByteRange>{{1024, 512}}));
  const UnreadRangeSource over(std::make_shared<UnreadRangeSource>(source), {{1536, 512}});
  EXPECT_EQ(over.UnreadRanges(), (std::vector<ByteRange>{{1024, 1024}}));
}

// RAID 5 of three members of 16 KiB in chunks of 512 bytes, each an image file.
class MemberMapTest : public ::testing::Test {
 protected:
  static constexpr std::int64_t kMemberBytes = 16384;

  MemberMapTest() {
    for (std::size_t i = 0; i < array_.size(); ++i)
      array_[i] = static_cast<std::uint8_t>(i * 7 + i / 512);
    const auto members = test::Stripe(geometry_, array_);
    for (std::size_t m = 0; m < members.size(); ++m) {
      std::ofstream file(Member(m), std::ios::binary);
      file.write(reinterpret_cast<const char*>(members[m].data()),
                 static_cast<std::streamsize>(members[m].size()));
    }
  }

  std::string Member(std::size_t m) const { return (folder_ / ("m" + std::to_string(m))).string(); }

  // Zeros over the member's bytes, and a map beside it that says they were never read, as imaging
  // a failing disk leaves them.
  void MapBeside(std::size_t m, std::int64_t badFrom, std::int64_t bytes,
                 std::int64_t mapBytes = kMemberBytes) const {
    std::fstream member(Member(m), std::ios::in | std::ios::out | std::ios::binary);
    member.seekp(badFrom);
    member.write(std::string(static_cast<std::size_t>(bytes), '\0').data(), bytes);
    std::ofstream map(Member(m) + ".map");
    map << "0x0 +\n0x0 0x" << std::hex << badFrom << " +\n0x" << badFrom << " 0x" << bytes
        << " -\n0x" << badFrom + bytes << " 0x" << mapBytes - badFrom - bytes << " +\n";
  }

  OpenedSource Open() const {
    return OpenSource(
        RaidSourceName("level=5,stripe=512:" + Member(0) + "," + Member(1) + "," + Member(2)));
  }

  test::ScratchFolder folder_{"kestrel-member-map"};
  RaidGeometry geometry_{RaidLevel::Raid5, RaidLayout::LeftSymmetric, 512, 0, 3};
  Bytes array_ = Bytes(2 * kMemberBytes);
};

TEST_F(MemberMapTest, ASectorAMemberNeverReadIsRebuiltFromParity) {
  MapBeside(1, 1024, 512);  // row 2 of member 1
  const OpenedSource opened = Open();
  ASSERT_TRUE(opened.status.ok()) << opened.status.message;
  Bytes all(array_.size());
  ASSERT_TRUE(opened.reader.ReadAt(0, all));
  EXPECT_EQ(all, array_);
}

TEST_F(MemberMapTest, ASectorNoMemberCanGiveFailsToRead) {
  MapBeside(1, 1024, 512);
  MapBeside(2, 1024, 512);  // the same row: two of three chunks lost
  const OpenedSource opened = Open();
  ASSERT_TRUE(opened.status.ok()) << opened.status.message;
  Bytes row(1024);
  EXPECT_FALSE(opened.reader.ReadAt(2 * 1024, row));
  EXPECT_TRUE(opened.reader.ReadAt(0, row));
}

TEST_F(MemberMapTest, AMapThatDoesNotDescribeTheMemberIsRefusedByName) {
  MapBeside(0, 512, 512, 2 * kMemberBytes);
  const std::string message = Open().status.message;
  EXPECT_NE(message.find("RAID member " + Member(0) + ": " + Member(0) + ".map: the map file"),
            std::string::npos)
      << message;
}

}  // namespace
}  // namespace kestrel::disk
