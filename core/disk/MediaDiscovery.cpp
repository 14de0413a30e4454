#include "disk/MediaDiscovery.h"

#include <unordered_set>

#include "disk/DriveName.h"
#include "disk/NssStructures.h"
#include "disk/PoolProbe.h"

namespace kestrel::disk {
namespace {

std::int64_t SectorToOffset(std::uint64_t sector) {
  return static_cast<std::int64_t>(sector * layout::kSectorSize);
}

// Follows the partition chain from the header at `first`. Every header with a non-zero link is
// examined for a pool; the last header (link 0) only joins the chain. A header whose read fails,
// or a link back to a header already met, ends the chain.
void WalkPartitionChain(DiskEntry& disk, const DiskReader& reader, std::uint32_t first) {
  PartitionChain& chain = disk.chain;
  SectorBuffer header = ReadSectorOrZeros(reader, SectorToOffset(first));
  std::uint64_t headerSector = first;
  chain.push_back({headerSector, NextPartitionHeaderSector(header)});
  disk.node.extra = NextPartitionHeaderSector(header);
  std::unordered_set<std::uint64_t> met{headerSector};
  for (std::uint32_t link; (link = NextPartitionHeaderSector(header)) != 0;) {
    const std::int64_t headerOffset = SectorToOffset(headerSector);
    if (auto pool = ProbePool(reader, headerOffset, header, disk.node.sourcePath)) {
      disk.pools.push_back(std::move(*pool));
    }
    if (!met.insert(link).second || !reader.ReadSector(link, header)) break;
    headerSector = link;
    chain.push_back({headerSector, NextPartitionHeaderSector(header)});
  }
}

}  // namespace

DiskEntry DiscoverDisk(int number, const DiskReader& reader, const std::string& sourcePath,
                       const app::LogReport& log) {
  DiskEntry disk;
  disk.number = number;
  disk.node.sourcePath = sourcePath;
  disk.sectorCount = static_cast<std::uint64_t>(reader.Size()) / layout::kSectorSize;
  const SectorBuffer sector0 = ReadSectorOrZeros(reader, 0);
  disk.netware = IsNetWareBootSector(sector0);
  if (!disk.netware) return disk;
  log.AppendLogEntry("Reading Netware partitions in disk");
  const std::uint32_t first = FirstPartitionHeaderSector(sector0);
  disk.node.start = SectorToOffset(first);
  WalkPartitionChain(disk, reader, first);
  return disk;
}

MediaTree DiscoverMedia(const DiskOpener& openDisk, const app::LogReport& log) {
  MediaTree tree;
  for (int n = 0;; ++n) {
    OpenedSource opened = openDisk(n);
    if (opened.status.error == OpenError::NotFound) break;
    if (!opened.status.ok()) {
      DiskEntry unreadable;
      unreadable.number = n;
      unreadable.node.sourcePath = PhysicalDriveName(n);
      unreadable.status = opened.status;
      tree.disks.push_back(std::move(unreadable));
      continue;
    }
    tree.disks.push_back(DiscoverDisk(n, opened.reader, PhysicalDriveName(n), log));
  }
  log.AppendText("\nCompleted Reading the Netware Partitions and Pools in Disks.");
  return tree;
}

DiskEntry DiscoverPoolImage(const DiskReader& reader, const std::string& sourcePath) {
  DiskEntry disk;
  disk.node.sourcePath = sourcePath;
  disk.sectorCount = static_cast<std::uint64_t>(reader.Size()) / layout::kSectorSize;
  const SectorBuffer header = ReadSectorOrZeros(reader, 0);
  if (auto pool = ProbePool(reader, 0, header, sourcePath, DamagedSuperBlock::Offer))
    disk.pools.push_back(std::move(*pool));
  return disk;
}

}  // namespace kestrel::disk
