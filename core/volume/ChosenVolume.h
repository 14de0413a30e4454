// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "disk/DiskReader.h"
#include "disk/MediaTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::volume {

// The volume scan of a volume chosen in media discovery: its pool's base, its root block, the
// extent of the partition that holds it and the discovery's partition chain, read through the
// source its disk was opened as.
VolumeScanSource ChosenVolume(const disk::VolumeEntry& volume, const disk::PartitionChain& chain,
                              disk::DiskReader reader);

}  // namespace kestrel::volume
