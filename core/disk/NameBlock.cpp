// SPDX-License-Identifier: Apache-2.0
#include "disk/NameBlock.h"

#include <algorithm>

#include "disk/NssLayout.h"

namespace kestrel::disk {
namespace {

std::size_t Capped(std::size_t units) {
  return std::min(units, layout::kMaxNameUnits);
}

// The name of `units` stored units at offset; returns the offset of its last byte.
std::size_t TakeName(ByteView area, std::size_t offset, std::size_t units, NameBlock& block) {
  block.names.push_back(ReadUtf16(area, offset, Capped(units)));
  return offset + 2 * units - 1;
}

}  // namespace

NameBlock ReadNameBlock(ByteView area, std::size_t n) {
  NameBlock block;
  block.nameSpaceId = ReadU16(area, n);
  block.end = n;
  const std::size_t firstLength = ReadU16(area, n + 4);
  switch (block.nameSpaceId) {
    case layout::kNameSpaceOneName:
      block.end = TakeName(area, n + 6, firstLength, block);
      break;
    case layout::kNameSpaceTwoNames: {
      TakeName(area, n + 6, firstLength, block);
      const std::size_t second = n + 10 + 2 * Capped(firstLength);
      block.end = TakeName(area, second + 2, ReadU8(area, second), block);
      break;
    }
    case layout::kNameSpaceThreeNames: {
      TakeName(area, n + 6, firstLength, block);
      const std::size_t second = n + 10 + 2 * Capped(firstLength);
      const std::size_t secondLength = ReadU16(area, second);
      TakeName(area, second + 2, secondLength, block);
      const std::size_t third = second + 6 + 2 * Capped(secondLength);
      block.end = TakeName(area, third + 2, ReadU8(area, third), block);
      break;
    }
    default:
      break;
  }
  return block;
}

std::u16string JoinNames(const std::vector<std::u16string>& names) {
  std::u16string joined;
  for (const auto& name : names) joined += name;
  return joined;
}

}  // namespace kestrel::disk
