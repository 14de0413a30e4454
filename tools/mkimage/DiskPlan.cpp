// SPDX-License-Identifier: Apache-2.0
#include "DiskPlan.h"

#include <algorithm>
#include <limits>

#include "NssFormat.h"
#include "PoolBuilder.h"

namespace kestrel::mkimage {
namespace {

constexpr std::uint32_t kFirstPartitionSector = 2048;  // the customary 1 MiB alignment
constexpr std::uint64_t kMiB = 1 << 20;
constexpr std::uint32_t kDefaultPartitionSectors = 65536;  // 32 MiB
constexpr std::uint64_t kPoolSizeStep = 2048;  // a pool that needs more grows by whole MiB

// The sizes of the further segments of the pool named `pool`.
std::vector<std::uint32_t> SegmentSizes(const DiskLayout& disk, const std::string& pool) {
  std::vector<std::uint32_t> sizes;
  for (const PartitionLayout& partition : disk.partitions) {
    if (partition.segmentOf == pool) {
      sizes.push_back(partition.sizeSectors.value_or(kDefaultPartitionSectors));
    }
  }
  return sizes;
}

// The size given, or the default, grown to what the partition's pool needs.
Result<std::uint32_t> PartitionSize(const DiskLayout& disk, const PartitionLayout& partition) {
  if (partition.sizeSectors) return *partition.sizeSectors;
  if (!partition.pool) return kDefaultPartitionSectors;
  Result<std::uint64_t> needed =
      PoolSectorsNeeded(*partition.pool, SegmentSizes(disk, partition.pool->name));
  if (!needed) return needed.error();
  const std::uint64_t size = std::max<std::uint64_t>(
      kDefaultPartitionSectors, (*needed + kPoolSizeStep - 1) / kPoolSizeStep * kPoolSizeStep);
  if (size > std::numeric_limits<std::uint32_t>::max()) {
    return Error{"pool " + partition.pool->name + " needs more than 2^32 sectors"};
  }
  return static_cast<std::uint32_t>(size);
}

std::uint64_t EndSector(const PartitionPlace& place) {
  return std::uint64_t{place.startSector} + place.sizeSectors;
}

Result<std::vector<PartitionPlace>> PlacePartitions(const DiskLayout& disk) {
  std::vector<PartitionPlace> places;
  std::uint64_t next = kFirstPartitionSector;
  for (const PartitionLayout& partition : disk.partitions) {
    const std::uint64_t start = partition.startSector.value_or(next);
    if (start > std::numeric_limits<std::uint32_t>::max()) {
      return Error{"partition " + std::to_string(places.size()) + " would start past sector 2^32"};
    }
    Result<std::uint32_t> size = PartitionSize(disk, partition);
    if (!size) return size.error();
    places.push_back({static_cast<std::uint32_t>(start), *size, 0});
    next = EndSector(places.back());
  }
  for (std::size_t i = 0; i < places.size(); ++i) {
    const bool last = i + 1 == places.size();
    places[i].link = disk.partitions[i].link.value_or(last ? 0 : places[i + 1].startSector);
  }
  return places;
}

Status CheckNoOverlap(const std::vector<PartitionPlace>& places) {
  for (std::size_t i = 0; i < places.size(); ++i) {
    if (places[i].sizeSectors == 0) {
      return Error{"partition " + std::to_string(i) + " has no sectors"};
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (places[i].startSector < EndSector(places[j]) &&
          places[j].startSector < EndSector(places[i])) {
        return Error{"partition " + std::to_string(i) + " overlaps partition " + std::to_string(j)};
      }
    }
  }
  return {};
}

}  // namespace

Result<DiskPlan> PlanDisk(const DiskLayout& disk) {
  Result<std::vector<PartitionPlace>> places = PlacePartitions(disk);
  if (!places) return places.error();
  if (Status status = CheckNoOverlap(*places); !status) return status.error();
  std::uint64_t endBytes = 0;
  for (const PartitionPlace& place : *places) {
    endBytes = std::max(endBytes, EndSector(place) * nss::kSectorSize);
  }
  DiskPlan plan;
  plan.sizeBytes = disk.sizeMiB ? *disk.sizeMiB * kMiB : (endBytes + kMiB - 1) / kMiB * kMiB + kMiB;
  if (plan.sizeBytes < endBytes) {
    return Error{"sizeMiB " + std::to_string(*disk.sizeMiB) +
                 " is smaller than the partitions, which end at byte " + std::to_string(endBytes)};
  }
  plan.firstHeaderSector =
      disk.firstHeaderSector.value_or(places->empty() ? 0 : places->front().startSector);
  plan.partitions = std::move(*places);
  return plan;
}

}  // namespace kestrel::mkimage
