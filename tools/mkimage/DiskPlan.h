// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "Layout.h"
#include "Status.h"

namespace kestrel::mkimage {

struct PartitionPlace {
  std::uint32_t startSector = 0;  // sector of the PartitionHeader
  std::uint32_t sizeSectors = 0;
  std::uint32_t link = 0;  // written at the header; the next header's sector, 0 for the last
};

// Where everything of one disk lies, with the layout's defaults applied.
struct DiskPlan {
  std::uint64_t sizeBytes = 0;
  std::uint32_t firstHeaderSector = 0;
  std::vector<PartitionPlace> partitions;
};

// Places the partitions: the first at sector 2048 unless given, each further one right after the
// one before; 65536 sectors unless given, or as many more (in whole MiB) as the partition's pool
// needs; links to the next header unless given. Partitions must not overlap and must fit the
// disk; the disk's size defaults to the end of the last partition rounded up to 1 MiB, plus
// 1 MiB.
Result<DiskPlan> PlanDisk(const DiskLayout& disk);

}  // namespace kestrel::mkimage
