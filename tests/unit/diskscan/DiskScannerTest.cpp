#include <gtest/gtest.h>

#include "disk/MemorySource.h"
#include "diskscan/DiskScanner.h"
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

TEST_F(DiskScan, AStopKeepsWhatWasFound) {
  std::stop_source stop;
  stop.request_stop();
  const DiskScanResult result = Scan(nullptr, stop.get_token());
  EXPECT_TRUE(result.stopped);
  EXPECT_TRUE(result.pools.empty());
}

}  // namespace
}  // namespace kestrel::diskscan
