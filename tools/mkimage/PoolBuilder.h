// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "Layout.h"
#include "Manifest.h"
#include "PoolPlace.h"
#include "SparseFile.h"
#include "Status.h"

namespace kestrel::mkimage {

// Writes one pool: its label, super block (and extra ones), group headers of a multi-segment
// pool, the volume directory, every volume with its entries and data, and its loose blocks. The
// PartitionHeaders themselves belong to the disk.
Result<ManifestPool> BuildPool(const PoolLayout& wanted, const PoolPlace& place, SparseFile& image);

// The sectors a partition needs to hold the pool: its fixed structures, every block the pool
// takes in its own partition, and its loose blocks. Found by building the pool once without
// writing anything; `segmentSizes` are the sizes of its further segments.
Result<std::uint64_t> PoolSectorsNeeded(const PoolLayout& wanted,
                                        const std::vector<std::uint32_t>& segmentSizes);

}  // namespace kestrel::mkimage
