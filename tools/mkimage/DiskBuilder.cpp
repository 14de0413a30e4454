// SPDX-License-Identifier: Apache-2.0
#include "DiskBuilder.h"

#include "FixedSectors.h"
#include "NssFormat.h"
#include "PoolBuilder.h"

namespace kestrel::mkimage {
namespace {

std::uint64_t SectorOffset(std::uint32_t sector) {
  return std::uint64_t{sector} * nss::kSectorSize;
}

// The further segments of every pool partition, by partition index, in layout order.
Result<std::vector<std::vector<SegmentPlace>>> CollectSegments(const DiskLayout& disk,
                                                               const DiskPlan& plan) {
  std::vector<std::vector<SegmentPlace>> segments(disk.partitions.size());
  for (std::size_t i = 0; i < disk.partitions.size(); ++i) {
    if (!disk.partitions[i].segmentOf) continue;
    const std::string& poolName = *disk.partitions[i].segmentOf;
    std::size_t owner = 0;
    while (owner < disk.partitions.size() &&
           !(disk.partitions[owner].pool && disk.partitions[owner].pool->name == poolName)) {
      ++owner;
    }
    if (owner == disk.partitions.size() ||
        plan.partitions[owner].startSector >= plan.partitions[i].startSector) {
      return Error{"partition " + std::to_string(i) + ": segmentOf \"" + poolName +
                   "\" needs that pool in an earlier partition of the same disk"};
    }
    segments[owner].push_back({plan.partitions[i].startSector, plan.partitions[i].sizeSectors});
  }
  return segments;
}

Status WriteHeaders(const DiskLayout& disk, const DiskPlan& plan, SparseFile& image) {
  if (!disk.zeroBootSector) {
    const ByteBuffer boot = BootSector(disk.bootSignature, plan.firstHeaderSector);
    if (Status status = image.write(0, boot.bytes()); !status) return status;
  }
  for (std::size_t i = 0; i < plan.partitions.size(); ++i) {
    const PartitionPlace& place = plan.partitions[i];
    const ByteBuffer header =
        PartitionHeader(disk.partitions[i].continuation, place.sizeSectors, place.link);
    if (Status status = image.write(SectorOffset(place.startSector), header.bytes()); !status) {
      return status;
    }
  }
  return {};
}

}  // namespace

Result<ManifestDisk> BuildDisk(const DiskLayout& disk, std::size_t index, const DiskPlan& plan,
                               SparseFile& image) {
  Result<std::vector<std::vector<SegmentPlace>>> segments = CollectSegments(disk, plan);
  if (!segments) return segments.error();
  if (Status status = WriteHeaders(disk, plan, image); !status) return status.error();
  ManifestDisk manifest{index, plan.sizeBytes, disk.bootSignature && !disk.zeroBootSector, {}};
  for (std::size_t i = 0; i < plan.partitions.size(); ++i) {
    const PartitionPlace& place = plan.partitions[i];
    const PartitionLayout& wanted = disk.partitions[i];
    ManifestPartition& partition = manifest.partitions.emplace_back();
    partition.headerSector = place.startSector;
    partition.sizeSectors = place.sizeSectors;
    partition.link = place.link;
    partition.segmentOf = wanted.segmentOf;
    const bool grouped = wanted.segmentOf || !(*segments)[i].empty();
    if (grouped) {
      partition.groupHeaderSector = place.startSector + nss::partition::kGroupHeaderSector;
    }
    if (!wanted.pool) continue;
    Result<ManifestPool> pool = BuildPool(
        *wanted.pool, PoolPlace{place.startSector, place.sizeSectors, (*segments)[i]}, image);
    if (!pool) return pool.error();
    partition.pool = std::move(*pool);
  }
  return manifest;
}

}  // namespace kestrel::mkimage
