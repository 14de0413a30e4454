// SPDX-License-Identifier: Apache-2.0
#include "disk/TreeBlock.h"

#include "disk/NssLayout.h"

namespace kestrel::disk {

bool IsTreeBlock(ByteView block) {
  return HasBytesAt(block, 0, layout::kTreeBlockSignature);
}

TreeBlockShape TreeBlockLayout(ByteView block) {
  if (HasBytesAt(block, layout::kLayoutMarkOffset, layout::kRecordMark)) {
    return {BlockLayout::A, layout::kLayoutARecords, layout::kLayoutALink};
  }
  return {BlockLayout::B, layout::kLayoutBRecords, layout::kLayoutBLink};
}

std::uint32_t TreeBlockLink(ByteView block) {
  return ReadU32(block, TreeBlockLayout(block).linkOffset);
}

std::uint64_t TreeBlockVolumeId(ByteView block) {
  return ReadU64(block, layout::kTreeBlockVolumeId);
}

ByteView RecordArea(ByteView block) {
  const std::size_t start = TreeBlockLayout(block).recordArea;
  return start < block.size() ? block.subspan(start) : ByteView{};
}

void ForEachRecord(ByteView block, const std::function<void(ByteView, std::size_t)>& visitor) {
  const ByteView area = RecordArea(block);
  std::size_t h = 0;
  while (h < layout::kDirectoryWalkBound) {
    const std::uint16_t length = ReadU16(area, h + layout::kRecordLength);
    visitor(area, h);
    if (length == 0) return;
    h += length;
  }
}

}  // namespace kestrel::disk
