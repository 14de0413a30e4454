// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "disk/MediaDiscovery.h"
#include "disk/MediaSelection.h"
#include "disk/MemorySource.h"
#include "support/FailingRead.h"
#include "support/Files.h"
#include "support/PoolBytes.h"

namespace kestrel::disk {
namespace {

using namespace test;

// A pool with one volume listed ("VOL<sector>") behind the header at sector.
void PutPoolWithVolume(Bytes& disk, std::uint64_t sector, std::uint32_t link, std::u16string name) {
  PutPartitionHeader(disk, sector, link, 0x4000);
  PutPool(disk, sector, name, 3);
  std::size_t h = PutTreeBlock(disk, PoolBaseOf(sector), 3, kNoBlock);
  h += PutVolumeRecord(disk, h, 1, {u"LogicalVolumes"}, 0);
  PutVolumeRecord(disk, h, 1, {u"VOL" + name}, 40);
}

class MediaDiscovery : public ::testing::Test {
 protected:
  MediaDiscovery() : log(logPath.string()) {}

  MediaTree Discover(std::vector<Bytes> disks, std::vector<OpenError> errors = {},
                     DiscoveryLog lines = DiscoveryLog::MediaPage) {
    return DiscoverMedia(
        [&](int n) -> OpenedSource {
          const auto index = static_cast<std::size_t>(n);
          if (index < errors.size() && errors[index] != OpenError::None)
            return {{}, {errors[index], "no"}};
          if (index >= disks.size()) return {{}, {OpenError::NotFound, "none"}};
          return {DiskReader(std::make_shared<MemorySource>(disks[index].data())), {}};
        },
        log, lines);
  }

  std::string LogText() const { return test::ReadFileText(logPath); }

  test::ScratchFolder folder{"discovery"};
  std::filesystem::path logPath = folder / "log.txt";
  app::LogReport log;
};

TEST_F(MediaDiscovery, DiskWithoutBootSignatureIsListedWithoutChildren) {
  Bytes plain(1 << 20);
  Bytes netware(4 << 20);
  PutBootSector(netware, 64);
  PutPoolWithVolume(netware, 64, 2048, u"DATA");
  PutPartitionHeader(netware, 2048, 0);
  const MediaTree tree = Discover({plain, netware});
  ASSERT_EQ(tree.disks.size(), 2u);
  EXPECT_EQ(tree.disks[0].Label(), u"Disk0");
  EXPECT_FALSE(tree.disks[0].netware);
  EXPECT_TRUE(tree.disks[0].pools.empty());
  EXPECT_EQ(tree.disks[0].node.start, 0);
  ASSERT_EQ(tree.disks[1].pools.size(), 1u);
  const PoolEntry& pool = tree.disks[1].pools[0];
  EXPECT_EQ(pool.Label(), u"Pool:DATA");
  EXPECT_EQ(pool.node.start, 64 * 512);
  EXPECT_EQ(pool.node.extra, 2048);
  ASSERT_EQ(pool.volumes.size(), 1u);
  EXPECT_EQ(pool.volumes[0].Label(), u"Volume:VOLDATA");
  EXPECT_EQ(pool.volumes[0].node.start, 40);
  EXPECT_EQ(pool.volumes[0].node.base, 64 * 512 + 0x5000);
  EXPECT_EQ(pool.volumes[0].node.extra, 0x4000);
  EXPECT_EQ(tree.disks[1].node.sourcePath, R"(\\.\PhysicalDrive1)");
  EXPECT_EQ(LogText(), std::string(60, ' ') + "KESTREL VARNOAK NOVELL (NSS)\n\n" +
                           "\nReading Netware partitions in disk" +
                           "\nCompleted Reading the Netware Partitions and Pools in Disks.");
}

TEST_F(MediaDiscovery, AnotherPagesListOfTheDisksWritesNotTheMediaPagesLines) {
  Bytes disk(4 << 20);
  PutBootSector(disk, 64);
  PutPoolWithVolume(disk, 64, 2048, u"ONE");
  PutPoolWithVolume(disk, 2048, 0, u"TWO");  // the last header is not examined
  const MediaTree tree = Discover({disk}, {}, DiscoveryLog::UnreadableOnly);
  ASSERT_EQ(tree.disks[0].pools.size(), 1u);
  EXPECT_EQ(LogText(), std::string(60, ' ') + "KESTREL VARNOAK NOVELL (NSS)\n\n");
}

TEST_F(MediaDiscovery, TheLastHeaderOfAChainIsNotExaminedButJoinsTheChain) {
  Bytes disk(4 << 20);
  PutBootSector(disk, 64);
  PutPoolWithVolume(disk, 64, 2048, u"ONE");
  PutPoolWithVolume(disk, 2048, 4096, u"TWO");
  PutPoolWithVolume(disk, 4096, 0, u"THREE");
  const MediaTree tree = Discover({disk});
  ASSERT_EQ(tree.disks[0].pools.size(), 2u);
  EXPECT_EQ(tree.disks[0].pools[1].name, u"TWO");
  EXPECT_EQ(tree.disks[0].chain, (PartitionChain{{64, 2048}, {2048, 4096}, {4096, 0}}));
  EXPECT_EQ(tree.disks[0].node.extra, 2048);
}

TEST_F(MediaDiscovery, FirstHeaderWithLinkZeroShowsNoPool) {
  Bytes disk(1 << 20);
  PutBootSector(disk, 64);
  PutPoolWithVolume(disk, 64, 0, u"DATA");
  const MediaTree tree = Discover({disk});
  EXPECT_TRUE(tree.disks[0].pools.empty());
  EXPECT_EQ(tree.disks[0].chain, (PartitionChain{{64, 0}}));
}

TEST_F(MediaDiscovery, BrokenChainsEndWithoutLooping) {
  Bytes looping(4 << 20);
  PutBootSector(looping, 64);
  PutPoolWithVolume(looping, 64, 2048, u"A");
  PutPoolWithVolume(looping, 2048, 64, u"B");  // back to the first header
  Bytes beyond(1 << 20);
  PutBootSector(beyond, 64);
  PutPoolWithVolume(beyond, 64, 0x7FFFFFF0, u"C");  // past the end of the disk
  const MediaTree tree = Discover({looping, beyond});
  EXPECT_EQ(tree.disks[0].pools.size(), 2u);
  EXPECT_EQ(tree.disks[1].pools.size(), 1u);
  EXPECT_EQ(tree.disks[0].chain, (PartitionChain{{64, 2048}, {2048, 64}}));
  EXPECT_EQ(tree.disks[1].chain, (PartitionChain{{64, 0x7FFFFFF0}}))
      << "one chain per disk: a volume never re-maps onto another disk's headers";
}

TEST_F(MediaDiscovery, PartitionWithoutSuperBlockHasNoPool) {
  Bytes disk(4 << 20);
  PutBootSector(disk, 64);
  PutPoolWithVolume(disk, 64, 2048, u"DATA");
  PutPartitionHeader(disk, 2048, 0);
  disk.Put(BlockAt(PoolBaseOf(64), 1), "SPB6");
  EXPECT_TRUE(Discover({disk}).disks[0].pools.empty());
}

// Every pool a discovery lists, and every volume of it, with the pool's name.
using Listing = std::vector<std::pair<std::u16string, std::u16string>>;
Listing Listed(const DiskEntry& disk) {
  Listing listed;
  for (const PoolEntry& pool : disk.pools) {
    listed.emplace_back(pool.name, u"");
    for (const VolumeEntry& volume : pool.volumes) listed.emplace_back(pool.name, volume.Label());
  }
  return listed;
}

// Whether an entry is one of a sound run's; a pool whose label could not be read has no name.
bool AmongThem(const Listing& sound, const Listing::value_type& entry) {
  return std::any_of(sound.begin(), sound.end(), [&](const Listing::value_type& whole) {
    return whole.second == entry.second && (whole.first == entry.first || entry.first.empty());
  });
}

// Every read of the discovery fails in turn: it lists nothing that is not there, and whatever it
// misses (a pool, a volume, a pool's name), it says how many sectors it could not read.
TEST_F(MediaDiscovery, AFailedReadAnywhereIsNamedAndListsNothingFalse) {
  Bytes disk(4 << 20);
  PutBootSector(disk, 64);
  PutPoolWithVolume(disk, 64, 2048, u"ONE");
  PutPoolWithVolume(disk, 2048, 4096, u"TWO");
  PutPartitionHeader(disk, 4096, 0);
  Listing everything;
  ForEveryFailingRead(disk.data(), [&](std::shared_ptr<FailingReadSource> source, std::uint64_t k) {
    std::filesystem::remove(logPath);
    const DiskEntry found = DiscoverDisk(0, DiskReader(source), "disk.img", log);
    const Listing listed = Listed(found);
    if (k == 0) {
      everything = listed;
      ASSERT_EQ(everything.size(), 4u);
      EXPECT_EQ(found.zeroedSectors, 0u);
      return;
    }
    for (const auto& entry : listed) EXPECT_TRUE(AmongThem(everything, entry));
    if (listed != everything) {
      EXPECT_GT(found.zeroedSectors, 0u);
      EXPECT_NE(LogText().find("disk.img: " + std::to_string(found.zeroedSectors) +
                               " sectors could not be read"),
                std::string::npos);
    }
  });
}

TEST_F(MediaDiscovery, UnreadableDiskIsReportedAndDoesNotEndTheList) {
  Bytes disk(1 << 20);
  const MediaTree tree =
      Discover({disk, disk, disk}, {OpenError::None, OpenError::PermissionDenied});
  ASSERT_EQ(tree.disks.size(), 3u);
  EXPECT_EQ(tree.disks[1].status.error, OpenError::PermissionDenied);
}

TEST(MediaSelection, CarriesTheNodeAndTheRealDiskSizeOfEveryDisk) {
  DiskEntry disk;
  disk.number = 3;
  disk.node = {2048 * 512, R"(\\.\PhysicalDrive3)", 0, 4096};
  disk.sectorCount = 123456789;
  const MediaSelection selection = SelectDisk(disk);
  EXPECT_EQ(selection.kind, MediaSelection::Kind::Disk);
  EXPECT_EQ(selection.diskSectorCount, 123456789u) << "measured for disks above 2 as well";
  EXPECT_EQ(selection.start, 2048 * 512);
  EXPECT_EQ(selection.extra, 4096);

  VolumeEntry volume;
  volume.node = {37, "img", 0x5000, 8000};
  const MediaSelection chosen = SelectVolume(volume);
  EXPECT_EQ(chosen.kind, MediaSelection::Kind::Volume);
  EXPECT_EQ(chosen.base, 0x5000);
  EXPECT_EQ(chosen.diskSectorCount, 0u);
}

}  // namespace
}  // namespace kestrel::disk
