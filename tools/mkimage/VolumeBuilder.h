// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "DataWriter.h"
#include "KeyAllocator.h"
#include "Manifest.h"
#include "PoolSpace.h"
#include "Status.h"
#include "VolumePlan.h"

namespace kestrel::mkimage {

// Writes a volume's root block, its chain of leaf blocks with every entry (bulk content last),
// the entries' data, and its loose blocks.
Result<ManifestVolume> BuildVolume(const VolumePlan& plan, PoolSpace& space, DataWriter& data,
                                   KeyAllocator& keys);

}  // namespace kestrel::mkimage
