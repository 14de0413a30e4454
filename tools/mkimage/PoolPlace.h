// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "Layout.h"
#include "Status.h"

namespace kestrel::mkimage {

// A further segment of a pool: a partition of its own on the same disk, after the pool's.
struct SegmentPlace {
  std::uint32_t startSector = 0;
  std::uint32_t sizeSectors = 0;
};

// Where a pool lies on its disk.
struct PoolPlace {
  std::uint32_t headerSector = 0;      // sector of the pool's PartitionHeader
  std::uint32_t sizeSectors = 0;       // extent of that partition
  std::vector<SegmentPlace> segments;  // in chain order
};

// The pool fits its place: the partition holds the pool's fixed structures, each segment its
// group header and label, and every loose block lies after the fixed structures, inside the
// partition and clear of the others.
Status CheckPoolPlace(const PoolLayout& wanted, const PoolPlace& place);

}  // namespace kestrel::mkimage
