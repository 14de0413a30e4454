// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "app/Progress.h"
#include "disk/DiskReader.h"
#include "disk/MediaTree.h"

namespace kestrel::diskscan {

struct DiskScanResult {
  std::vector<disk::PoolEntry> pools;  // every header with a pool behind it, in disk order
  disk::PartitionChain chain;          // every header found, with its link
  bool stopped = false;
  std::uint64_t zeroedSectors = 0;  // sectors that could not be read: what they hold is missing
};

// Reads the whole disk (or disk image) in 1 MiB windows and looks at every 512-byte sector for the
// PartitionHeader signature, so that pools are found when the boot sector or the chain of
// headers is lost. Every header found is examined for a pool, the last of a chain included.
// Progress is measured against the disk's real size; the stop token is checked before every
// window and every header, and what was found stays. Each pool is also handed to found, on the
// scan's thread, as soon as it is found.
using PoolFound = std::function<void(const disk::PoolEntry& pool)>;
DiskScanResult ScanDisk(const disk::DiskReader& reader, const std::string& sourcePath,
                        app::ProgressObserver& observer, std::stop_token stop,
                        const PoolFound& found = {});

// The pool entry of the disk scan's tree: "Pool :    " and the name; a volume's "Volume :   " and
// its names.
std::u16string DiskScanPoolLabel(const disk::PoolEntry& pool);
std::u16string DiskScanVolumeLabel(const disk::VolumeEntry& volume);

}  // namespace kestrel::diskscan
