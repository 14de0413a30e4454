// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/DiskReader.h"
#include "disk/VolumeInfo.h"

// What media discovery and the disk scan find: disks, their NetWare partitions' pools, and each
// pool's volumes, with the numbers the scans start from.
namespace kestrel::disk {

// The values an entry of the media tree hands to the scan it leads to.
//   disk:   start = byte offset of the first PartitionHeader (0 without the boot signature),
//           extra = that header's link
//   pool:   start = byte offset of the pool's PartitionHeader, extra = its link
//   volume: start = root block, base = poolBase, extra = extent of the partition holding it
struct MediaNode {
  std::int64_t start = 0;
  std::string sourcePath;
  std::int64_t base = 0;  // 0 for a disk or a pool: a volume is told apart by a non-zero base
  std::int64_t extra = 0;
};

struct VolumeEntry {
  std::vector<std::u16string> names;  // in stored order; the label joins them
  MediaNode node;
  VolumeInfo info{};

  std::u16string Label() const;  // "Volume:" followed directly by the names
};

struct PoolEntry {
  std::u16string name;
  MediaNode node;
  std::uint32_t extentSectors = 0;  // of the partition holding the pool
  std::vector<VolumeEntry> volumes;
  // The label names a pool but the super block is unreadable or lacks "SPB5": no volumes are
  // listed, and a pool scan reads the files from the partition header + 0x5000.
  bool superBlockDamaged = false;

  std::u16string Label() const;       // "Pool:" followed directly by the name, then DamageMark()
  std::u16string DamageMark() const;  // " (super block damaged)" for such a pool, else empty
};

// The NetWare partition headers met, in the order found: each header's sector and its link.
struct PartitionChainElement {
  std::uint64_t headerSector = 0;
  std::uint64_t linkSector = 0;  // 0 for the last header of a chain

  bool operator==(const PartitionChainElement&) const = default;
};
using PartitionChain = std::vector<PartitionChainElement>;

struct DiskEntry {
  int number = 0;
  MediaNode node;
  std::uint64_t sectorCount = 0;  // the real size, measured for every disk
  bool netware = false;           // sector 0 carries the NetWare boot signature
  OpenStatus status;              // a disk that exists but could not be opened says why
  ContainerKind container = ContainerKind::Raw;  // what an image file holds the disk in
  std::uint64_t zeroedSectors = 0;  // sectors that could not be read: what they hold is missing
  std::vector<PoolEntry> pools;
  PartitionChain chain;  // the headers of this disk only: a volume re-maps along its own disk

  std::u16string Label() const;  // "Disk%d"
};

struct MediaTree {
  std::vector<DiskEntry> disks;
};

}  // namespace kestrel::disk
