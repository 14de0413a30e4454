// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "disk/ByteReader.h"
#include "disk/NssLayout.h"
#include "disk/TreeBlock.h"

namespace kestrel::disk {

// The 608 bytes of volume fields that follow the name block of a volume record.
using VolumeInfo = std::array<std::uint8_t, layout::kVolumeInfoSize>;

// Where the directory walk finds the VolumeInfo of a record whose name block ends at `end`
// (record-area coordinates): layout A after 0x71 bytes; layout B by the "ZVL" mark and the
// record kind.
std::size_t LocateVolumeInfo(ByteView recordArea, std::size_t end, BlockLayout layout,
                             std::uint16_t recordKind);

// The VolumeInfo at position; bytes past the end of the block read as zero.
VolumeInfo CopyVolumeInfo(ByteView recordArea, std::size_t position);

std::uint64_t VolumeRootBlock(const VolumeInfo& info);
std::uint64_t VolumeId(const VolumeInfo& info);

}  // namespace kestrel::disk
