// SPDX-License-Identifier: Apache-2.0
#include "PoolPlace.h"

#include <cstdlib>
#include <string>

#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

constexpr auto kSector = static_cast<std::int64_t>(nss::kSectorSize);
constexpr auto kBlock = static_cast<std::int64_t>(nss::kBlockSize);
constexpr auto kStructuresEnd = static_cast<std::int64_t>(nss::partition::kPoolStructuresEnd);

std::int64_t SectorOffset(std::uint64_t sector) {
  return static_cast<std::int64_t>(sector) * kSector;
}

Status CheckLooseBlocks(const PoolLayout& wanted, const PoolPlace& place) {
  const std::int64_t partitionEnd = SectorOffset(place.sizeSectors);
  for (std::size_t i = 0; i < wanted.looseBlocks.size(); ++i) {
    const auto offset = static_cast<std::int64_t>(wanted.looseBlocks[i].offset);
    if (offset < kStructuresEnd || offset + kBlock > partitionEnd) {
      return Error{"looseBlocks[" + std::to_string(i) + "]: offset " + std::to_string(offset) +
                   " must leave the first " + std::to_string(kStructuresEnd) +
                   " bytes free and the block inside the partition"};
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (std::llabs(offset - static_cast<std::int64_t>(wanted.looseBlocks[j].offset)) < kBlock) {
        return Error{"looseBlocks[" + std::to_string(i) + "] overlaps looseBlocks[" +
                     std::to_string(j) + "]"};
      }
    }
  }
  return {};
}

}  // namespace

Status CheckPoolPlace(const PoolLayout& wanted, const PoolPlace& place) {
  if (SectorOffset(place.sizeSectors) < kStructuresEnd) {
    return Error{"a partition of " + std::to_string(place.sizeSectors) +
                 " sectors cannot hold a pool; it needs at least " +
                 std::to_string(kStructuresEnd / kSector)};
  }
  for (const SegmentPlace& segment : place.segments) {
    if (segment.sizeSectors < nss::partition::kGroupStructuresEnd) {
      return Error{"the segment at sector " + std::to_string(segment.startSector) +
                   " needs at least " + std::to_string(nss::partition::kGroupStructuresEnd) +
                   " sectors"};
    }
  }
  return CheckLooseBlocks(wanted, place);
}

}  // namespace kestrel::mkimage
