// SPDX-License-Identifier: Apache-2.0
#include "disk/VolumeInfo.h"

#include <algorithm>

namespace kestrel::disk {

std::size_t LocateVolumeInfo(ByteView area, std::size_t end, BlockLayout layout,
                             std::uint16_t recordKind) {
  const std::size_t usual = end + 0x71;
  if (layout == BlockLayout::A) return usual;
  const bool kindOne = recordKind == 1;
  const std::size_t marked = kindOne ? usual : end + 0x6C;
  const std::size_t unmarked = kindOne ? end + 0x76 : usual;
  return HasBytesAt(area, marked, layout::kVolumeInfoMark) ? marked : unmarked;
}

VolumeInfo CopyVolumeInfo(ByteView area, std::size_t position) {
  VolumeInfo info{};
  if (position < area.size()) {
    const std::size_t count = std::min(info.size(), area.size() - position);
    std::copy_n(area.begin() + static_cast<std::ptrdiff_t>(position), count, info.begin());
  }
  return info;
}

std::uint64_t VolumeRootBlock(const VolumeInfo& info) {
  return ReadU64(info, layout::kVolumeInfoRootBlock);
}

std::uint64_t VolumeId(const VolumeInfo& info) {
  return ReadU64(info, layout::kVolumeInfoVolumeId);
}

}  // namespace kestrel::disk
