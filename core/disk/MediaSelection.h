// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>

#include "disk/MediaTree.h"

namespace kestrel::disk {

// The entry of the media tree the user chose, as the scan pages read it.
struct MediaSelection {
  enum class Kind { None, Disk, Pool, Volume };

  Kind kind = Kind::None;
  std::string sourcePath;
  std::int64_t start = 0;
  std::int64_t base = 0;
  std::int64_t extra = 0;
  std::uint64_t diskSectorCount = 0;  // a disk's real size: the range of the disk scan
};

// A disk's sector count is its real size for every disk, so the disk scan of any disk shows its
// progress against the whole disk.
MediaSelection SelectDisk(const DiskEntry& disk);
MediaSelection SelectPool(const PoolEntry& pool);
MediaSelection SelectVolume(const VolumeEntry& volume);

}  // namespace kestrel::disk
