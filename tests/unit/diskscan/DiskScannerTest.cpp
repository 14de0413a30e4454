// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>

#include "disk/MemorySource.h"
#include "diskscan/DiskScanner.h"
#include "support/FailingRead.h"
#include "support/PoolBytes.h"

namespace kestrel::diskscan {
namespace {

using namespace test;

// A disk whose boot sector is lost: a pool at sector 64, a header without a pool at the last
// sector of the first window, and a pool (the last of the chain) in the fourth window.
class DiskScan : public ::testing::Test {
 protected:
  DiskScan() : disk(4 << 20) {
    PutPool(disk, 64, u"FIRST", kNoBlock);
    PutPartitionHeader(disk, 64, 2047);
    PutPartitionHeader(disk, 2047, 6200);
    PutPartitionHeader(disk, 6200, 0);
    PutPool(disk, 6200, u"LAST", kNoBlock);
  }

  DiskScanResult Scan(std::shared_ptr<disk::ByteSource> source = nullptr,
                      std::stop_token stop = {}) {
    const disk::DiskReader reader(source ? source
                                         : std::make_shared<disk::MemorySource>(disk.data()));
    app::NoProgress quiet;
    return ScanDisk(reader, "disk.img", quiet, stop);
  }

  Bytes disk;
};

TEST_F(DiskScan, EveryHeaderJoinsTheChainAndEveryPoolIsFound) {
  const DiskScanResult result = Scan();
  ASSERT_EQ(result.pools.size(), 2u);
  EXPECT_EQ(result.pools[0].name, u"FIRST");
  EXPECT_EQ(result.pools[1].name, u"LAST") << "the last header of a chain is examined too";
  EXPECT_EQ(result.pools[1].node.start, 6200 * 512);
  EXPECT_EQ(result.chain, (disk::PartitionChain{{64, 2047}, {2047, 6200}, {6200, 0}}));
  EXPECT_EQ(DiskScanPoolLabel(result.pools[0]), u"Pool :    FIRST");
}

// The header at 2047 has neither label nor super block: a chain element, no pool.
TEST_F(DiskScan, APoolWhoseSuperBlockIsDamagedIsOfferedAndMarked) {
  disk.Put(PoolBaseOf(64), "XXXX");
  const DiskScanResult result = Scan();
  ASSERT_EQ(result.pools.size(), 2u);
  EXPECT_TRUE(result.pools[0].superBlockDamaged);
  EXPECT_TRUE(result.pools[0].volumes.empty());
  EXPECT_EQ(DiskScanPoolLabel(result.pools[0]), u"Pool :    FIRST (super block damaged)");
  EXPECT_FALSE(result.pools[1].superBlockDamaged);
  const auto unreadable = Scan(std::make_shared<disk::FaultyMemorySource>(
      disk.data(), std::set<std::uint64_t>{static_cast<std::uint64_t>(PoolBaseOf(6200) / 512)}));
  ASSERT_EQ(unreadable.pools.size(), 2u);
  EXPECT_TRUE(unreadable.pools[1].superBlockDamaged) << "an unreadable super block is damaged";
}

TEST_F(DiskScan, ABadSectorDoesNotHideWhatFollows) {
  const DiskScanResult result =
      Scan(std::make_shared<disk::FaultyMemorySource>(disk.data(), std::set<std::uint64_t>{3000}));
  EXPECT_EQ(result.pools.size(), 2u);
}

// Every pool a disk scan offers: its name and where its header lies.
std::vector<std::pair<std::u16string, std::int64_t>> Offered(const DiskScanResult& result) {
  std::vector<std::pair<std::u16string, std::int64_t>> offered;
  for (const disk::PoolEntry& pool : result.pools) offered.emplace_back(pool.name, pool.node.start);
  return offered;
}

// Every read of the scan fails in turn: it still ends, offers no pool that is not there, and
// whatever it misses (a pool, a pool's name, its volumes), it says how many sectors it could not
// read.
TEST_F(DiskScan, AFailedReadAnywhereIsNamedAndOffersNothingFalse) {
  DiskScanResult everything;
  ForEveryFailingRead(disk.data(), [&](std::shared_ptr<FailingReadSource> source, std::uint64_t k) {
    const DiskScanResult result = Scan(source);
    EXPECT_FALSE(result.stopped);
    if (k == 0) {
      everything = result;
      ASSERT_EQ(everything.pools.size(), 2u);
      EXPECT_EQ(result.zeroedSectors, 0u);
      return;
    }
    const auto all = Offered(everything);
    for (const auto& [name, start] : Offered(result)) {
      EXPECT_TRUE(std::any_of(all.begin(), all.end(), [&](const auto& whole) {
        return whole.second == start && (whole.first == name || name.empty());
      })) << "a pool that is not there; one without a name had its label unreadable";
    }
    const bool damaged =
        std::any_of(result.pools.begin(), result.pools.end(),
                    [](const disk::PoolEntry& pool) { return pool.superBlockDamaged; });
    if (Offered(result) != all || result.chain != everything.chain || damaged) {
      EXPECT_GT(result.zeroedSectors, 0u);
    }
  });
}

TEST_F(DiskScan, AStopKeepsWhatWasFound) {
  std::stop_source stop;
  stop.request_stop();
  const DiskScanResult result = Scan(nullptr, stop.get_token());
  EXPECT_TRUE(result.stopped);
  EXPECT_TRUE(result.pools.empty());
}

}  // namespace
}  // namespace kestrel::diskscan
