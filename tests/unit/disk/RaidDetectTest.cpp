// SPDX-License-Identifier: Apache-2.0
// Finding a RAID set's geometry: a small NSS disk striped here for every level and layout, handed
// over in a shuffled order, reads back as the disk under the best candidate, also with a RAID 5
// or RAID 6 member missing; members of no NSS disk have no consistent geometry, members whose
// every sector looks like a start are weighed and only the strongest starts scored, a stop request
// ends the detection, and the SET of a candidate opens what it found.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <stop_token>
#include <vector>

#include "disk/MemorySource.h"
#include "disk/raid/RaidDefinition.h"
#include "disk/raid/RaidDetect.h"
#include "disk/raid/RaidSource.h"
#include "support/PoolBytes.h"
#include "support/RaidStripes.h"

namespace kestrel::disk {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kHeaderSector = 32;
constexpr std::size_t kDiskSize = 3 << 20;

// A boot sector, one partition header and its pool, a volume directory naming one volume whose
// root leads to a chain of tree blocks spread over the pool.
Bytes NssDisk() {
  test::Bytes disk(kDiskSize);
  test::PutBootSector(disk, kHeaderSector);
  test::PutPartitionHeader(disk, kHeaderSector, 0);
  test::PutPool(disk, kHeaderSector, u"DATA", 5);
  const std::int64_t base = test::PoolBaseOf(kHeaderSector);
  test::PutVolumeRecord(disk, test::PutTreeBlock(disk, base, 5, test::kNoBlock), 1, {u"VOL1"}, 7);
  disk.PutU32(test::BlockAt(base, 7) + 0x20, 8);
  const std::uint64_t lastBlock = (kDiskSize - static_cast<std::size_t>(base)) / 4096;
  std::mt19937 random(3);
  std::vector<std::uint64_t> chain{8};
  std::set<std::uint64_t> used{1, 2, 5, 7, 8};
  while (chain.size() < 80) {
    const std::uint64_t block = 9 + random() % (lastBlock - 9);
    if (used.insert(block).second) chain.push_back(block);
  }
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const auto next =
        i + 1 < chain.size() ? static_cast<std::uint32_t>(chain[i + 1]) : test::kNoBlock;
    test::PutTreeBlock(disk, base, chain[i], next);
  }
  return disk.data();
}

// The members handed over in the order `given` (given[i] is the array's member given[i]), with
// `missing` left out.
std::vector<std::shared_ptr<ByteSource>> Handed(const std::vector<Bytes>& members,
                                                const std::vector<int>& given, int missing = -1) {
  std::vector<std::shared_ptr<ByteSource>> sources;
  for (const int member : given)
    sources.push_back(member == missing ? nullptr
                                        : std::make_shared<MemorySource>(members[member]));
  return sources;
}

// The array read back under the candidate: the bytes a scan would see.
Bytes ReadBack(const RaidCandidate& candidate,
               const std::vector<std::shared_ptr<ByteSource>>& given) {
  std::vector<RaidMember> ordered;
  for (const int member : candidate.order) ordered.push_back({"m", given[member]});
  auto array = AssembleRaid(candidate.geometry, ordered);
  EXPECT_TRUE(array.ok()) << array.error();
  if (!array.ok()) return {};
  Bytes bytes(static_cast<std::size_t>(array.value()->Size()));
  EXPECT_TRUE(array.value()->ReadAt(0, bytes));
  return bytes;
}

// The members in an order of their own, never the array's.
std::vector<int> Shuffled(int members) {
  std::vector<int> order(static_cast<std::size_t>(members));
  std::iota(order.begin(), order.end(), 0);
  std::rotate(order.begin(), order.begin() + 1, order.end());
  std::swap(order[0], order[static_cast<std::size_t>(members) - 1]);
  return order;
}

// The best candidate, checked against the geometry the members were built with.
RaidCandidate ExpectFound(const RaidGeometry& built, int missing = -1) {
  SCOPED_TRACE("RAID " + std::string(LevelName(built.level)) + " of " +
               std::to_string(built.members) + ", stripe " + std::to_string(built.stripe));
  const Bytes disk = NssDisk();
  const std::vector<std::size_t> spanSizes(3, kDiskSize / 3);
  const auto members = test::Stripe(built, disk, spanSizes);
  const auto given = Handed(members, Shuffled(built.members), missing);
  const auto detection = DetectRaid(given);
  EXPECT_TRUE(detection.ok()) << detection.error();
  if (!detection.ok() || detection.value().candidates.empty()) {
    ADD_FAILURE() << "no candidate";
    return {};
  }
  const RaidCandidate& best = detection.value().candidates.front();
  EXPECT_EQ(best.geometry.level, built.level);
  EXPECT_EQ(best.geometry.offset, built.offset);
  if (IsStriped(built.level)) {
    EXPECT_EQ(best.geometry.stripe, built.stripe);
  }
  if (built.level == RaidLevel::Raid5) {
    EXPECT_EQ(best.geometry.layout, built.layout);
  }
  const Bytes read = ReadBack(best, given);
  EXPECT_TRUE(read.size() > disk.size() / 2 && read.size() <= disk.size() &&
              std::equal(read.begin(), read.end(), disk.begin()))
      << "the disk reads back";
  return best;
}

TEST(RaidDetect, FindsEveryLevelLayoutAndStripeFromMembersInAShuffledOrder) {
  const RaidLayout layouts[] = {RaidLayout::LeftSymmetric, RaidLayout::LeftAsymmetric,
                                RaidLayout::RightSymmetric, RaidLayout::RightAsymmetric};
  for (const std::int64_t stripe : {std::int64_t{4096}, std::int64_t{65536}}) {
    for (const std::int64_t offset : {std::int64_t{0}, std::int64_t{65536}}) {
      SCOPED_TRACE("stripe " + std::to_string(stripe) + ", offset " + std::to_string(offset));
      ExpectFound({RaidLevel::Raid0, RaidLayout::LeftSymmetric, stripe, offset, 3});
      ExpectFound({RaidLevel::Raid10, RaidLayout::LeftSymmetric, stripe, offset, 4});
      ExpectFound({RaidLevel::Raid6, RaidLayout::LeftSymmetric, stripe, offset, 5});
      for (const RaidLayout layout : layouts) {
        SCOPED_TRACE(std::string(LayoutName(layout)));
        ExpectFound({RaidLevel::Raid5, layout, stripe, offset, 4});
        ExpectFound({RaidLevel::Raid5, layout, stripe, offset, 3});
      }
    }
  }
}

TEST(RaidDetect, FindsSpansMirrorsAndLargeStripes) {
  ExpectFound({RaidLevel::Span, RaidLayout::LeftSymmetric, 65536, 4096, 3});
  ExpectFound({RaidLevel::Raid1, RaidLayout::LeftSymmetric, 65536, 4096, 2});
  ExpectFound({RaidLevel::Raid1, RaidLayout::LeftSymmetric, 65536, 0, 3});
  ExpectFound({RaidLevel::Raid0, RaidLayout::LeftSymmetric, 256 << 10, 512, 3});
}

TEST(RaidDetect, AMirrorMissingAMemberIsReadFromTheOthers) {
  for (int missing = 0; missing < 3; ++missing) {
    SCOPED_TRACE("missing " + std::to_string(missing));
    // The copies on the members that are there name the blocks, not the missing one's stand-in.
    const RaidGeometry mirror{RaidLevel::Raid1, RaidLayout::LeftSymmetric, 65536, 4096, 3};
    const auto whole = ExpectFound(mirror);
    const auto lacking = ExpectFound(mirror, missing);
    ASSERT_GE(lacking.evidence.size(), 4u);
    ASSERT_GE(whole.evidence.size(), 4u);
    EXPECT_EQ(lacking.evidence[3], whole.evidence[3]) << "the links that land on tree blocks";
  }
  ExpectFound({RaidLevel::Raid10, RaidLayout::LeftSymmetric, 65536, 0, 4}, 0);
}

TEST(RaidDetect, ARaid5MemberMissingIsSeenThroughParity) {
  for (int missing = 0; missing < 4; ++missing) {
    SCOPED_TRACE("missing " + std::to_string(missing));
    ExpectFound({RaidLevel::Raid5, RaidLayout::LeftSymmetric, 4096, 8192, 4}, missing);
    ExpectFound({RaidLevel::Raid5, RaidLayout::RightAsymmetric, 65536, 0, 4}, missing);
  }
}

// A RAID 6 row's missing data chunk is its P parity and the other data chunks: every member that
// is there but the one holding the row's Q, which moves from row to row.
TEST(RaidDetect, ARaid6MemberMissingIsSeenThroughItsPParity) {
  for (int missing = 0; missing < 5; ++missing) {
    SCOPED_TRACE("missing " + std::to_string(missing));
    ExpectFound({RaidLevel::Raid6, RaidLayout::LeftSymmetric, 4096, 0, 5}, missing);
    ExpectFound({RaidLevel::Raid6, RaidLayout::LeftSymmetric, 65536, 8192, 4}, missing);
  }
}

std::vector<std::shared_ptr<ByteSource>> Unrelated(int count) {
  std::vector<std::shared_ptr<ByteSource>> sources;
  std::mt19937 random(9);
  for (int i = 0; i < count; ++i) {
    Bytes bytes(1 << 20);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    sources.push_back(std::make_shared<MemorySource>(bytes));
  }
  return sources;
}

TEST(RaidDetect, MembersOfNoNssDiskHaveNoConsistentGeometry) {
  auto detection = DetectRaid(Unrelated(4));
  ASSERT_TRUE(detection.ok());
  EXPECT_TRUE(detection.value().candidates.empty());
  // One real member among strangers: its boot sector is there, the rest of the disk is not.
  const auto members =
      test::Stripe({RaidLevel::Raid5, RaidLayout::LeftSymmetric, 4096, 0, 4}, NssDisk());
  auto mixed = Unrelated(3);
  mixed.push_back(std::make_shared<MemorySource>(members[0]));
  detection = DetectRaid(mixed);
  ASSERT_TRUE(detection.ok());
  EXPECT_TRUE(detection.value().candidates.empty());
}

// Two mirrored members of 40 MiB whose first 32 MiB repeat `tile`, as a hostile or odd disk may.
std::vector<std::shared_ptr<ByteSource>> Tiled(const test::Bytes& tile) {
  Bytes member(40 << 20);
  for (std::size_t at = 0; at < (32 << 20); at += tile.data().size())
    std::copy(tile.data().begin(), tile.data().end(),
              member.begin() + static_cast<std::ptrdiff_t>(at));
  return {std::make_shared<MemorySource>(member), std::make_shared<MemorySource>(member)};
}

// Every sector a boot sector (that names no partition header) is a place the array may start at:
// each is weighed, and none is scored with every geometry and order, which took many minutes.
// Where every 128 KiB hold a boot sector that leads to a pool, only the four lowest of the equally
// strong starts are scored in full, and their ties keep the best from being certain.
TEST(RaidDetect, MembersThatLookLikeAStartEverywhereAreWeighedFirst) {
  test::Bytes bootOnly(512);
  test::PutBootSector(bootOnly, 0);
  auto detection = DetectRaid(Tiled(bootOnly));
  ASSERT_TRUE(detection.ok()) << detection.error();
  EXPECT_TRUE(detection.value().candidates.empty());

  test::Bytes disk(128 << 10);
  test::PutBootSector(disk, 1);
  test::PutPartitionHeader(disk, 1, 0);
  test::PutPool(disk, 1, u"DATA", 5);
  test::PutTreeBlock(disk, test::PoolBaseOf(1), 5, test::kNoBlock);
  detection = DetectRaid(Tiled(disk));
  ASSERT_TRUE(detection.ok()) << detection.error();
  ASSERT_FALSE(detection.value().candidates.empty());
  EXPECT_FALSE(BestIsCertain(detection.value()));
  for (const RaidCandidate& candidate : detection.value().candidates)
    EXPECT_LT(candidate.geometry.offset, 4 * (128 << 10));
}

// The progress counts the bytes sampled up to all of them; a stop request ends the detection.
TEST(RaidDetect, ReportsItsProgressAndEndsOnAStopRequest) {
  struct Recorded : app::ProgressObserver {
    void OnProgress(const app::Progress& progress) override {
      if (progress.unit == app::WorkUnit::Bytes) bytes = progress;
    }
    app::Progress bytes;
  } recorded;
  const auto members = Handed(
      test::Stripe({RaidLevel::Raid1, RaidLayout::LeftSymmetric, 4096, 0, 2}, NssDisk()), {0, 1});
  const auto found = DetectRaid(members, recorded, std::stop_source().get_token());
  ASSERT_TRUE(found.ok()) << found.error();
  EXPECT_EQ(recorded.bytes.done, recorded.bytes.total);
  EXPECT_EQ(static_cast<std::int64_t>(recorded.bytes.total), found.value().bytesRead);

  std::stop_source stop;
  stop.request_stop();
  const auto stopped = DetectRaid(members, recorded, stop.get_token());
  ASSERT_FALSE(stopped.ok());
  EXPECT_EQ(stopped.error(), kDetectionStopped);
}

// Two geometries that score alike are a guess, and a wrong one reads garbage that looks like data.
TEST(RaidDetect, OnlyABestThatScoresAboveTheNextIsCertain) {
  RaidDetection detection;
  EXPECT_FALSE(BestIsCertain(detection));
  detection.candidates.resize(1);
  detection.candidates[0].score = 20;
  EXPECT_TRUE(BestIsCertain(detection));
  detection.candidates.resize(2);
  detection.candidates[1].score = 20;
  EXPECT_FALSE(BestIsCertain(detection));
  detection.candidates[1].score = 19;
  EXPECT_TRUE(BestIsCertain(detection));
}

TEST(RaidDetect, RefusesWhatItCannotSearch) {
  EXPECT_FALSE(DetectRaid(Unrelated(1)).ok());
  EXPECT_FALSE(DetectRaid(Unrelated(7)).ok());
  auto twoMissing = Unrelated(4);
  twoMissing[0] = twoMissing[2] = nullptr;
  const auto refused = DetectRaid(twoMissing);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.error().find("at most one may be missing"), std::string::npos);
}

TEST(RaidDetect, TheCandidateDefinitionOpensWhatWasFound) {
  RaidCandidate candidate{
      {RaidLevel::Raid5, RaidLayout::RightSymmetric, 65536, 1 << 20, 3}, {2, 0, 1}, 0, {}};
  const std::string definition = CandidateDefinition(candidate, {"a.img", "b.img", "c.img"});
  EXPECT_EQ(definition, "level=5,layout=right-symmetric,stripe=64k,offset=1m:c.img,a.img,b.img");
  const auto parsed = ParseRaidDefinition(definition);
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  EXPECT_EQ(parsed.value().geometry.stripe, 65536);
  EXPECT_EQ(parsed.value().geometry.offset, 1 << 20);
  candidate.geometry = {RaidLevel::Raid1, RaidLayout::LeftSymmetric, 65536, 1536, 3};
  EXPECT_EQ(CandidateDefinition(candidate, {"a", "b", "c"}), "level=1,offset=1536:c,a,b");
}

}  // namespace
}  // namespace kestrel::disk
