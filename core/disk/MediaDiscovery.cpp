// SPDX-License-Identifier: Apache-2.0
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
    if (!met.insert(link).second) break;
    if (!reader.ReadSector(link, header)) {
      reader.CountZeroedSectors(1);  // the rest of the chain is missing
      break;
    }
    headerSector = link;
    chain.push_back({headerSector, NextPartitionHeaderSector(header)});
  }
}

// The partitions of a disk whose sector 0 has been read.
void ReadNetWarePartitions(DiskEntry& disk, const DiskReader& reader, const SectorBuffer& sector0,
                           const app::LogReport& log, DiscoveryLog lines) {
  disk.netware = IsNetWareBootSector(sector0);
  if (!disk.netware) return;
  if (lines == DiscoveryLog::MediaPage) log.AppendLogEntry("Reading Netware partitions in disk");
  const std::uint32_t first = FirstPartitionHeaderSector(sector0);
  disk.node.start = SectorToOffset(first);
  WalkPartitionChain(disk, reader, first);
}

}  // namespace

DiskEntry DiscoverDisk(int number, const DiskReader& reader, const std::string& sourcePath,
                       const app::LogReport& log, DiscoveryLog lines) {
  DiskEntry disk;
  disk.number = number;
  disk.node.sourcePath = sourcePath;
  disk.sectorCount = static_cast<std::uint64_t>(reader.Size()) / layout::kSectorSize;
  const ZeroedSectorCount zeroed(reader);
  ReadNetWarePartitions(disk, reader, ReadSectorOrZeros(reader, 0), log, lines);
  disk.zeroedSectors = zeroed.Since();
  if (disk.zeroedSectors != 0) {
    log.AppendLogEntry(sourcePath + ": " + ZeroedSectorsText(disk.zeroedSectors));
  }
  return disk;
}

MediaTree DiscoverMedia(const DiskOpener& openDisk, const app::LogReport& log, DiscoveryLog lines) {
  MediaTree tree;
  for (int n = 0;; ++n) {
    OpenedSource opened = openDisk(n);
    if (opened.status.error == OpenError::NotFound) break;
    if (!opened.status.ok()) {
      DiskEntry unreadable;
      unreadable.number = n;
      unreadable.node.sourcePath = PhysicalDriveName(n);
      unreadable.status = opened.status;
      unreadable.container = opened.container;
      tree.disks.push_back(std::move(unreadable));
      continue;
    }
    LogContainer(PhysicalDriveName(n), opened, log);
    tree.disks.push_back(DiscoverDisk(n, opened.reader, PhysicalDriveName(n), log, lines));
    tree.disks.back().container = opened.container;
  }
  if (lines == DiscoveryLog::MediaPage)
    log.AppendText("\nCompleted Reading the Netware Partitions and Pools in Disks.");
  return tree;
}

DiskEntry DiscoverPoolImage(const DiskReader& reader, const std::string& sourcePath) {
  DiskEntry disk;
  disk.node.sourcePath = sourcePath;
  disk.sectorCount = static_cast<std::uint64_t>(reader.Size()) / layout::kSectorSize;
  const ZeroedSectorCount zeroed(reader);
  const SectorBuffer header = ReadSectorOrZeros(reader, 0);
  if (auto pool = ProbePool(reader, 0, header, sourcePath, DamagedSuperBlock::Offer))
    disk.pools.push_back(std::move(*pool));
  disk.zeroedSectors = zeroed.Since();
  return disk;
}

void LogContainer(const std::string& sourcePath, const OpenedSource& opened,
                  const app::LogReport& log) {
  if (opened.container == ContainerKind::Raw) return;
  log.AppendLogEntry(sourcePath + " is read from a " +
                     std::string(ContainerTitle(opened.container)));
  for (const std::string& fact : opened.containerFacts) log.AppendText("\n  " + fact);
}

}  // namespace kestrel::disk
