// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>

#include "DiskPlan.h"
#include "Layout.h"
#include "Manifest.h"
#include "SparseFile.h"
#include "Status.h"

namespace kestrel::mkimage {

// Writes one disk: the boot sector (unless it is damaged to zeros), every PartitionHeader, and
// every pool with its further segments. Cutting the image short is left to the caller.
Result<ManifestDisk> BuildDisk(const DiskLayout& disk, std::size_t index, const DiskPlan& plan,
                               SparseFile& image);

}  // namespace kestrel::mkimage
