// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "disk/MediaTree.h"
#include "imaging/SectorRange.h"

// What imaging copies: a whole disk, or one pool of it.
namespace kestrel::imaging {

// A whole disk: sector 0 to its real sector count.
SectorRange DiskImageRange(std::uint64_t diskSectors);

// A pool: from the sector of its PartitionHeader to the end of its partition (that sector plus
// the partition's extent), cut at the end of the disk, so that a damaged extent never asks for
// sectors the disk does not have.
SectorRange PoolImageRange(const disk::PoolEntry& pool, std::uint64_t diskSectors);

// m_sourceSizeMB: the size of the range in MiB, rounded down.
std::uint64_t SourceSizeMB(SectorRange range);

// The bytes of the range: what a complete image holds.
std::uint64_t RangeBytes(SectorRange range);

}  // namespace kestrel::imaging
