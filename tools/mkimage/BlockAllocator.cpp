// SPDX-License-Identifier: Apache-2.0
#include "BlockAllocator.h"

#include <algorithm>

#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

constexpr auto kBlock = static_cast<std::int64_t>(nss::kBlockSize);

}  // namespace

BlockAllocator::BlockAllocator(std::int64_t poolBase, std::vector<Region> regions,
                               std::vector<ByteRange> reserved)
    : poolBase_(poolBase),
      regions_(std::move(regions)),
      reserved_(std::move(reserved)),
      next_(regions_.empty() ? 0 : regions_.front().first) {}

std::uint32_t BlockAllocator::firstBlockFrom(std::int64_t offset) const {
  return static_cast<std::uint32_t>((offset - poolBase_ + kBlock - 1) / kBlock + 1);
}

const ByteRange* BlockAllocator::overlap(std::uint32_t first, std::uint32_t count) const {
  const std::int64_t begin = poolBase_ + (std::int64_t{first} - 1) * kBlock;
  const std::int64_t end = begin + std::int64_t{count} * kBlock;
  for (const ByteRange& range : reserved_) {
    if (range.begin < end && begin < range.end) return &range;
  }
  return nullptr;
}

Result<std::uint32_t> BlockAllocator::allocate(std::uint32_t count) {
  while (region_ < regions_.size()) {
    const Region& region = regions_[region_];
    next_ = std::max(next_, region.first);
    if (std::uint64_t{next_} + count > region.end) {
      ++region_;
      continue;
    }
    if (const ByteRange* reserved = overlap(next_, count)) {
      next_ = firstBlockFrom(reserved->end);
      continue;
    }
    const std::uint32_t first = next_;
    next_ += count;
    return first;
  }
  return Error{"no room left for " + std::to_string(count) +
               " more block(s); make the partition larger"};
}

}  // namespace kestrel::mkimage
