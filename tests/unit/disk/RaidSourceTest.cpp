// SPDX-License-Identifier: Apache-2.0
// RAID sets: the member and parity of every chunk as Linux md lays them out, an array read back
// from members striped here for every level and layout, lost members and failing sectors rebuilt
// from the copies and parity, and the checks that refuse a set that cannot be right.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "disk/MemorySource.h"
#include "disk/raid/RaidParity.h"
#include "disk/raid/RaidSource.h"
#include "support/RaidStripes.h"

namespace kestrel::disk {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::SlowMultiply;
using test::SlowPower;
using test::Stripe;

Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

std::shared_ptr<RaidSource> Assemble(const RaidGeometry& geometry,
                                     std::vector<std::shared_ptr<ByteSource>> sources) {
  std::vector<RaidMember> members;
  for (std::size_t m = 0; m < sources.size(); ++m)
    members.push_back({"member" + std::to_string(m), sources[m]});
  auto array = AssembleRaid(geometry, members);
  EXPECT_TRUE(array.ok()) << array.error();
  return array.ok() ? array.value() : nullptr;
}

// The members in memory, those in `missing` left out.
std::vector<std::shared_ptr<ByteSource>> InMemory(const std::vector<Bytes>& members,
                                                  const std::set<int>& missing = {}) {
  std::vector<std::shared_ptr<ByteSource>> sources;
  for (std::size_t m = 0; m < members.size(); ++m) {
    sources.push_back(
        missing.count(static_cast<int>(m)) ? nullptr : std::make_shared<MemorySource>(members[m]));
  }
  return sources;
}

Bytes ReadAll(ByteSource& source) {
  Bytes bytes(static_cast<std::size_t>(source.Size()));
  EXPECT_TRUE(source.ReadAt(0, bytes));
  return bytes;
}

RaidGeometry Geometry(RaidLevel level, int members, std::int64_t stripe = 4096,
                      RaidLayout layout = RaidLayout::LeftSymmetric, std::int64_t offset = 0) {
  return {level, layout, stripe, offset, members};
}

// Which data chunk (or P, Q) each member holds in rows 0 to 3, as md's documentation draws them.
std::vector<std::string> Rows(const RaidGeometry& geometry, int rows) {
  std::vector<std::string> drawn;
  for (int row = 0; row < rows; ++row) {
    std::vector<std::string> cells(static_cast<std::size_t>(geometry.members));
    if (ParityMember(geometry, row) >= 0) cells[ParityMember(geometry, row)] = "P";
    if (SyndromeMember(geometry, row) >= 0) cells[SyndromeMember(geometry, row)] = "Q";
    const int perRow = DataChunksPerRow(geometry);
    for (int k = 0; k < perRow; ++k) {
      const int member = DataMember(geometry, row, k);
      cells[member] = std::to_string(row * perRow + k);
      if (geometry.level == RaidLevel::Raid10) cells[MirrorPartner(member)] = cells[member];
    }
    std::string line;
    for (const auto& cell : cells) line += (line.empty() ? "" : " ") + cell;
    drawn.push_back(line);
  }
  return drawn;
}

TEST(RaidGeometry, ChunksLieWhereMdPutsThem) {
  using L = RaidLayout;
  const auto raid5 = [](L layout) { return Rows(Geometry(RaidLevel::Raid5, 4, 4096, layout), 4); };
  EXPECT_EQ(raid5(L::LeftAsymmetric),
            (std::vector<std::string>{"0 1 2 P", "3 4 P 5", "6 P 7 8", "P 9 10 11"}));
  EXPECT_EQ(raid5(L::LeftSymmetric),
            (std::vector<std::string>{"0 1 2 P", "4 5 P 3", "8 P 6 7", "P 9 10 11"}));
  EXPECT_EQ(raid5(L::RightAsymmetric),
            (std::vector<std::string>{"P 0 1 2", "3 P 4 5", "6 7 P 8", "9 10 11 P"}));
  EXPECT_EQ(raid5(L::RightSymmetric),
            (std::vector<std::string>{"P 0 1 2", "5 P 3 4", "7 8 P 6", "9 10 11 P"}));
  EXPECT_EQ(Rows(Geometry(RaidLevel::Raid6, 5), 3),
            (std::vector<std::string>{"Q 0 1 2 P", "3 4 5 P Q", "7 8 P Q 6"}));
  EXPECT_EQ(Rows(Geometry(RaidLevel::Raid10, 4), 2),
            (std::vector<std::string>{"0 0 1 1", "2 2 3 3"}));
  EXPECT_EQ(Rows(Geometry(RaidLevel::Raid0, 3), 2), (std::vector<std::string>{"0 1 2", "3 4 5"}));
}

TEST(RaidParity, WordWideArithmeticAgreesWithTheByteAtATimeDefinition) {
  for (int a = 0; a < 256; a += 7) {
    for (int b = 0; b < 256; b += 5) {
      ASSERT_EQ(raid_parity::GfMultiply(a, b), SlowMultiply(a, b)) << a << " * " << b;
    }
    if (a != 0) {
      EXPECT_EQ(SlowMultiply(a, raid_parity::GfInverse(a)), 1) << a;
    }
  }
  const std::vector<Bytes> data = {RandomBytes(77, 1), RandomBytes(77, 2), RandomBytes(77, 3)};
  Bytes q(77);
  raid_parity::ComputeSyndrome({data.begin(), data.end()}, q);
  for (std::size_t i = 0; i < q.size(); ++i) {
    const std::uint8_t expected =
        data[0][i] ^ SlowMultiply(2, data[1][i]) ^ SlowMultiply(4, data[2][i]);
    ASSERT_EQ(q[i], expected) << "byte " << i << ", past the whole words too";
  }
}

struct Level {
  RaidLevel level;
  RaidLayout layout;
  int members;
};

const Level kLevels[] = {
    {RaidLevel::Raid0, RaidLayout::LeftSymmetric, 3},
    {RaidLevel::Raid10, RaidLayout::LeftSymmetric, 4},
    {RaidLevel::Raid5, RaidLayout::LeftSymmetric, 4},
    {RaidLevel::Raid5, RaidLayout::LeftAsymmetric, 4},
    {RaidLevel::Raid5, RaidLayout::RightSymmetric, 3},
    {RaidLevel::Raid5, RaidLayout::RightAsymmetric, 5},
    {RaidLevel::Raid6, RaidLayout::LeftSymmetric, 5},
};

std::string Name(const RaidGeometry& geometry) {
  return "RAID " + std::string(LevelName(geometry.level)) + " " +
         std::string(LayoutName(geometry.layout)) + " stripe " + std::to_string(geometry.stripe);
}

// Reads at odd offsets and lengths that start and end inside chunks and cross members and rows.
void ExpectReadsMatch(ByteSource& source, const Bytes& array, const std::string& name,
                      std::int64_t stripe) {
  std::mt19937 random(7);
  const auto size = static_cast<std::int64_t>(array.size());
  for (int read = 0; read < 40; ++read) {
    const std::int64_t at = std::uniform_int_distribution<std::int64_t>(0, size - 1)(random);
    const std::int64_t length =
        std::uniform_int_distribution<std::int64_t>(1, std::min(size - at, 5 * stripe))(random);
    Bytes got(static_cast<std::size_t>(length));
    ASSERT_TRUE(source.ReadAt(at, got)) << name << " at " << at;
    ASSERT_TRUE(std::equal(got.begin(), got.end(), array.begin() + at)) << name << " at " << at;
  }
}

TEST(RaidSource, EveryLevelAndLayoutReadsBackTheArrayAtEveryStripe) {
  for (const std::int64_t stripe : {4096, 65536, 1 << 20}) {
    for (const Level& level : kLevels) {
      const auto geometry = Geometry(level.level, level.members, stripe, level.layout, 1024);
      const std::size_t rows = stripe == (1 << 20) ? 3 : 9;
      const Bytes array = RandomBytes(rows * stripe * DataChunksPerRow(geometry), 11);
      const auto source = Assemble(geometry, InMemory(Stripe(geometry, array)));
      ASSERT_TRUE(source);
      ASSERT_EQ(source->Size(), static_cast<std::int64_t>(array.size())) << Name(geometry);
      ASSERT_EQ(ReadAll(*source), array) << Name(geometry);
      ExpectReadsMatch(*source, array, Name(geometry), stripe);
    }
  }
}

TEST(RaidSource, SpanAndMirrorReadTheirMembersAfterTheOffset) {
  const Bytes array = RandomBytes(30 * 512, 3);
  const auto span = Geometry(RaidLevel::Span, 3, 4096, RaidLayout::LeftSymmetric, 512);
  const auto spanSource = Assemble(span, InMemory(Stripe(span, array, {4096, 10240, 1024})));
  EXPECT_EQ(ReadAll(*spanSource), array) << "members of different sizes, one after another";
  ExpectReadsMatch(*spanSource, array, "span", 4096);
  const auto mirror = Geometry(RaidLevel::Raid1, 3, 4096, RaidLayout::LeftSymmetric, 512);
  const auto members = Stripe(mirror, array);
  EXPECT_EQ(ReadAll(*Assemble(mirror, InMemory(members))), array);
  EXPECT_EQ(ReadAll(*Assemble(mirror, InMemory(members, {0, 1}))), array) << "one copy left";
}

TEST(RaidSource, ReadsEndAtTheArraysEndAndFailBeforeItsStart) {
  const auto geometry = Geometry(RaidLevel::Raid5, 3, 4096);
  auto members = Stripe(geometry, RandomBytes(4 * 2 * 4096, 5));
  members[1].resize(members[1].size() + 3000);  // md sizes by whole rows of the smallest member
  for (auto& member : members) member.resize(members[1].size());
  const auto source = Assemble(geometry, InMemory(members));
  EXPECT_EQ(source->Size(), 4 * 2 * 4096);
  Bytes buffer(8192);
  EXPECT_EQ(source->ReadSome(source->Size() - 100, buffer), std::optional<std::size_t>(100));
  EXPECT_EQ(source->ReadSome(source->Size(), buffer), std::optional<std::size_t>(0));
  EXPECT_EQ(source->ReadSome(-1, buffer), std::nullopt);
}

std::vector<std::pair<Level, std::int64_t>> LevelsAndStripes() {
  std::vector<std::pair<Level, std::int64_t>> cases;
  for (const std::int64_t stripe : {4096, 65536}) {
    for (const Level& level : kLevels) cases.emplace_back(level, stripe);
  }
  return cases;
}

// Chunks of 4 KiB are gathered a member at a time, those of 64 KiB read each into place.
TEST(RaidSource, LostMembersAreRebuiltFromCopiesAndParity) {
  for (const auto& [level, stripe] : LevelsAndStripes()) {
    const auto geometry = Geometry(level.level, level.members, stripe, level.layout);
    if (LosableMembers(geometry) == 0) continue;
    const Bytes array = RandomBytes(7 * stripe * DataChunksPerRow(geometry), 13);
    const auto members = Stripe(geometry, array);
    for (int first = 0; first < level.members; ++first) {
      for (int second = first; second < level.members; ++second) {
        std::set<int> missing{first, second};
        const bool losable = geometry.level == RaidLevel::Raid6 ||
                             (geometry.level == RaidLevel::Raid10 && first / 2 != second / 2);
        if (first != second && !losable) continue;
        const auto source = Assemble(geometry, InMemory(members, missing));
        ASSERT_TRUE(source);
        const std::string name =
            Name(geometry) + " without " + std::to_string(first) + " and " + std::to_string(second);
        ASSERT_EQ(ReadAll(*source), array) << name;
        ExpectReadsMatch(*source, array, name, stripe);
      }
    }
  }
}

std::shared_ptr<ByteSource> Faulty(const Bytes& member, std::set<std::uint64_t> badSectors) {
  return std::make_shared<FaultyMemorySource>(member, std::move(badSectors));
}

void ExpectFailingSectorsRebuilt(std::int64_t stripe) {
  SCOPED_TRACE("stripe " + std::to_string(stripe));
  const auto raid5 = Geometry(RaidLevel::Raid5, 4, stripe, RaidLayout::LeftSymmetric, 512);
  const Bytes array = RandomBytes(6 * 3 * stripe, 17);
  const auto members = Stripe(raid5, array);
  auto sources = InMemory(members);
  sources[0] = Faulty(members[0], {3, 20});
  sources[2] = Faulty(members[2], {9, 30});  // bad at other places than member 0
  EXPECT_EQ(ReadAll(*Assemble(raid5, sources)), array);

  sources[2] = Faulty(members[2], {3});  // two members lost at one sector: the sector is lost
  const auto broken = Assemble(raid5, sources);
  Bytes buffer(array.size());
  EXPECT_FALSE(broken->ReadAt(0, buffer));
  const std::int64_t sector3 = 3 * 512 - raid5.offset;  // member 0's sector 3, array chunk 0
  Bytes before(static_cast<std::size_t>(sector3));
  EXPECT_TRUE(broken->ReadAt(0, before)) << "the sectors before it still read";
  EXPECT_TRUE(std::equal(before.begin(), before.end(), array.begin()));

  sources[1] = nullptr;  // a member missing and another failing: nothing left to rebuild from
  sources[2] = std::make_shared<MemorySource>(members[2]);
  EXPECT_FALSE(Assemble(raid5, sources)->ReadAt(0, buffer));

  const auto raid6 = Geometry(RaidLevel::Raid6, 5, stripe, RaidLayout::LeftSymmetric, 512);
  const auto six = Stripe(raid6, array);
  auto sixSources = InMemory(six, {0});
  sixSources[1] = Faulty(six[1], {12});
  sixSources[2] = Faulty(six[2], {40});
  EXPECT_EQ(ReadAll(*Assemble(raid6, sixSources)), array) << "one missing, two failing apart";
  sixSources[3] = Faulty(six[3], {12});
  EXPECT_FALSE(Assemble(raid6, sixSources)->ReadAt(0, buffer)) << "three lost at sector 12";

  const auto raid0 = Geometry(RaidLevel::Raid0, 2, stripe);
  const auto zero = Stripe(raid0, array);
  EXPECT_FALSE(Assemble(raid0, {Faulty(zero[0], {1}), std::make_shared<MemorySource>(zero[1])})
                   ->ReadAt(0, buffer));
}

TEST(RaidSource, AFailingSectorIsRebuiltWhereTheLevelAllowsAndFailsWhereItDoesNot) {
  for (const std::int64_t stripe : {4096, 65536}) ExpectFailingSectorsRebuilt(stripe);
}

std::string Refusal(const RaidGeometry& geometry, const std::vector<Bytes>& members,
                    const std::set<int>& missing = {}) {
  std::vector<RaidMember> given;
  const auto sources = InMemory(members, missing);
  for (std::size_t m = 0; m < sources.size(); ++m)
    given.push_back({"d" + std::to_string(m) + ".img", sources[m]});
  const auto array = AssembleRaid(geometry, given);
  return array.ok() ? "" : array.error();
}

TEST(RaidSource, SetsThatCannotBeRightAreRefusedWithTheReason) {
  const std::vector<Bytes> four(4, Bytes(16 * 4096));
  const auto raid5 = Geometry(RaidLevel::Raid5, 4);
  EXPECT_EQ(Refusal(raid5, four), "");
  EXPECT_EQ(Refusal(raid5, four, {1, 2}), "2 members are missing; RAID 5 can rebuild at most 1");
  EXPECT_EQ(Refusal(Geometry(RaidLevel::Raid0, 4), four, {3}),
            "RAID 0 keeps no copy or parity, so no member may be missing");
  EXPECT_EQ(Refusal(Geometry(RaidLevel::Raid10, 4), four, {2, 3}),
            "members 2 and 3 are both missing: RAID 10 keeps their chunks on no other member");
  EXPECT_EQ(Refusal(Geometry(RaidLevel::Raid10, 4), four, {1, 2}), "");
  EXPECT_EQ(Refusal(Geometry(RaidLevel::Raid6, 4), four, {0, 3}), "");

  auto uneven = four;
  uneven[2].resize(15 * 4096);
  EXPECT_EQ(Refusal(raid5, uneven),
            "the members differ in size: d0.img holds 65536 bytes, d2.img 61440; the members of "
            "one array are the same size, so one of them is not a member of this array");
  EXPECT_EQ(Refusal(Geometry(RaidLevel::Span, 4), uneven), "") << "a span's members differ";
  EXPECT_EQ(
      Refusal(Geometry(RaidLevel::Raid5, 4, 4096, RaidLayout::LeftSymmetric, 64 * 1024), four),
      "d0.img: holds 65536 bytes, too few for a member, which holds the offset of 65536 bytes "
      "and at least 4096 bytes after it");
  EXPECT_EQ(Refusal(Geometry(RaidLevel::Raid5, 4, 1000), four),
            "the stripe of 1000 bytes is not a multiple of 512 bytes from 512 bytes to 4 MiB");
  EXPECT_EQ(Refusal(Geometry(RaidLevel::Raid5, 4, 8 << 20), four),
            "the stripe of 8388608 bytes is not a multiple of 512 bytes from 512 bytes to 4 MiB");
  EXPECT_EQ(Refusal(Geometry(RaidLevel::Raid6, 4, 4096, RaidLayout::RightSymmetric), four),
            "RAID 6 is read with the left-symmetric layout only");
  EXPECT_EQ(Refusal(Geometry(RaidLevel::Raid5, 2), {four[0], four[1]}),
            "RAID 5 needs at least 3 members, not 2");
}

}  // namespace
}  // namespace kestrel::disk
