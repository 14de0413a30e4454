// SPDX-License-Identifier: Apache-2.0
#include "imaging/ImagingRange.h"

#include <algorithm>

#include "disk/NssLayout.h"

namespace kestrel::imaging {

SectorRange DiskImageRange(std::uint64_t diskSectors) {
  return {0, diskSectors};
}

SectorRange PoolImageRange(const disk::PoolEntry& pool, std::uint64_t diskSectors) {
  const std::uint64_t header =
      static_cast<std::uint64_t>(pool.node.start) / disk::layout::kSectorSize;
  const std::uint64_t first = std::min(header, diskSectors);
  return {first, std::min(diskSectors, header + pool.extentSectors)};
}

std::uint64_t SourceSizeMB(SectorRange range) {
  return RangeBytes(range) >> 20;
}

std::uint64_t RangeBytes(SectorRange range) {
  return range.Count() * disk::layout::kSectorSize;
}

}  // namespace kestrel::imaging
