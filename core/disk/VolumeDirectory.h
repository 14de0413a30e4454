// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/DiskReader.h"
#include "disk/VolumeInfo.h"

namespace kestrel::disk {

struct DirectoryVolume {
  std::vector<std::u16string> names;
  std::uint64_t key = 0;  // the volume record's own key
  std::uint64_t rootBlock = 0;
  VolumeInfo info{};
};

// The volumes a pool's volume directory lists, from the chain of tree blocks that starts at
// firstBlock. The first named record of the whole directory (kind 1 or 2) describes the pool's
// own object and is not a volume; every later one with name-space id 20, 22 or 23 is. A block
// that cannot be read, and a link back to a block already read, end the chain.
std::vector<DirectoryVolume> ListDirectoryVolumes(const DiskReader& reader, std::int64_t poolBase,
                                                  std::uint32_t firstBlock);

// The same directory walked from the pool's super block at poolBase (through its anchor).
std::vector<DirectoryVolume> ListPoolVolumes(const DiskReader& reader, std::int64_t poolBase,
                                             std::span<const std::uint8_t> superBlock);

}  // namespace kestrel::disk
