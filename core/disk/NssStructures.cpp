// SPDX-License-Identifier: Apache-2.0
#include "disk/NssStructures.h"

#include <limits>

#include "disk/NssLayout.h"

namespace kestrel::disk {

bool IsNetWareBootSector(ByteView sector0) {
  return HasBytesAt(sector0, 0, layout::kBootSignature);
}

std::uint32_t FirstPartitionHeaderSector(ByteView sector0) {
  return ReadU32(sector0, layout::kBootFirstHeaderSector);
}

bool IsPartitionHeader(ByteView sector) {
  return HasBytesAt(sector, 0, layout::kPartitionSignature);
}

std::uint32_t NextPartitionHeaderSector(ByteView header) {
  return ReadU32(header, layout::kHeaderLink);
}

std::uint32_t PartitionExtentSectors(ByteView header) {
  return ReadU32(header, layout::kHeaderExtent);
}

std::uint32_t PartitionContinuation(ByteView header) {
  return ReadU32(header, layout::kHeaderContinuation);
}

std::u16string PoolName(ByteView label) {
  return ReadUtf16UntilZero(label, layout::kLabelName, layout::kLabelNameMaxUnits);
}

std::uint64_t PoolSectorCount(ByteView label) {
  return ReadU64(label, layout::kLabelSectorCount);
}

bool IsPoolSuperBlock(ByteView sector) {
  return HasBytesAt(sector, 0, layout::kSuperBlockSignature);
}

std::uint64_t VolumeDirectoryAnchorBlock(ByteView superBlock) {
  return ReadU64(superBlock, layout::kSuperBlockAnchor);
}

std::uint32_t FirstChainBlock(ByteView anchorOrRoot) {
  return ReadU32(anchorOrRoot, layout::kAnchorFirstBlock);
}

std::optional<std::int64_t> BlockOffset(std::int64_t poolBase, std::uint64_t n) {
  constexpr auto kBlock = static_cast<std::int64_t>(layout::kBlockSize);
  constexpr auto kMaxOffset = std::numeric_limits<std::int64_t>::max();
  if (poolBase < 0 || n > static_cast<std::uint64_t>(kMaxOffset / kBlock)) return std::nullopt;
  const std::int64_t relative = (static_cast<std::int64_t>(n) - 1) * kBlock;
  if (relative > kMaxOffset - poolBase || poolBase + relative < 0) return std::nullopt;
  return poolBase + relative;
}

}  // namespace kestrel::disk
