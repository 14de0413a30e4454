// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "BlockAllocator.h"
#include "Layout.h"
#include "PoolSpace.h"
#include "Status.h"
#include "VolumePlan.h"

namespace kestrel::mkimage {

// Where a volume's record went and the volume id a pool scan reads from it.
struct VolumeRecordPlace {
  std::int64_t offset = 0;
  std::uint64_t poolScanVolumeId = 0;
};

struct VolumeDirectory {
  std::uint32_t firstBlock = 0;            // for the anchor; NoBlock when no volume is listed
  std::vector<VolumeRecordPlace> records;  // one per volume plan, in the same order
};

// Writes the directory chain ("LogicalVolumes", then one record per listed volume) and, for
// deleted volumes, a chain of their records that nothing reaches.
Result<VolumeDirectory> WriteVolumeDirectory(const PoolLayout& pool,
                                             const std::vector<VolumePlan>& volumes,
                                             PoolSpace& space, BlockAllocator& blocks);

}  // namespace kestrel::mkimage
