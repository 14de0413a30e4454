// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "Layout.h"

namespace kestrel::mkimage {

// A volume record of the volume directory.
struct VolumeRecordLayout {
  BlockLayout layout = BlockLayout::B;  // of the directory block that holds it
  std::uint64_t key = 0;
  std::vector<std::u16string> names;  // 1 to 3, each 1 to 255 units
  std::uint16_t kind = 1;
  bool zvl = true;
  std::uint64_t rootBlock = 0;
  std::uint64_t volumeId = 0;
};

struct VolumeRecord {
  ByteBuffer bytes;
  std::uint64_t poolScanVolumeId = 0;  // what a pool scan reads as the volume id
};

// The record with its VolumeInfo placed both where the directory walk looks for it (root block)
// and where a pool scan does (volume id); when the two fields would overlap, the root block wins.
VolumeRecord EncodeVolumeRecord(const VolumeRecordLayout& wanted);

// The first record of every volume directory, named "LogicalVolumes"; never listed as a volume.
ByteBuffer EncodeLogicalVolumesRecord();

}  // namespace kestrel::mkimage
