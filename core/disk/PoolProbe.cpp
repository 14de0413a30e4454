// SPDX-License-Identifier: Apache-2.0
#include "disk/PoolProbe.h"

#include "disk/NssStructures.h"
#include "disk/VolumeDirectory.h"

namespace kestrel::disk {
namespace {

VolumeEntry MakeVolumeEntry(DirectoryVolume volume, const PoolEntry& pool, std::int64_t poolBase) {
  VolumeEntry entry;
  entry.names = std::move(volume.names);
  entry.info = volume.info;
  entry.node = {static_cast<std::int64_t>(volume.rootBlock), pool.node.sourcePath, poolBase,
                pool.extentSectors};
  return entry;
}

}  // namespace

std::optional<PoolEntry> ProbePool(const DiskReader& reader, std::int64_t headerOffset,
                                   ByteView header, const std::string& sourcePath,
                                   DamagedSuperBlock damaged) {
  const std::int64_t poolBase = headerOffset + layout::kPoolSuperBlockOffset;
  const SectorBuffer superBlock = ReadSectorOrZeros(reader, poolBase);
  PoolEntry pool;
  pool.name = PoolName(ReadSectorOrZeros(reader, headerOffset + layout::kPoolLabelOffset));
  pool.superBlockDamaged = !IsPoolSuperBlock(superBlock);
  if (pool.superBlockDamaged && (damaged == DamagedSuperBlock::Skip || pool.name.empty()))
    return std::nullopt;
  pool.node = {headerOffset, sourcePath, 0, NextPartitionHeaderSector(header)};
  pool.extentSectors = PartitionExtentSectors(header);
  if (pool.superBlockDamaged) return pool;  // no volume directory to list
  for (auto& volume : ListPoolVolumes(reader, poolBase, superBlock)) {
    pool.volumes.push_back(MakeVolumeEntry(std::move(volume), pool, poolBase));
  }
  return pool;
}

}  // namespace kestrel::disk
