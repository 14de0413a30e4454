// SPDX-License-Identifier: Apache-2.0
#include "TreeBlockChain.h"

namespace kestrel::mkimage {

TreeBlockChain::TreeBlockChain(PoolSpace& space, BlockAllocator& allocator, BlockLayout layout,
                               std::uint64_t volumeId, std::uint32_t recordLimit,
                               std::uint32_t firstBlock)
    : space_(&space),
      allocator_(&allocator),
      layout_(layout),
      volumeId_(volumeId),
      recordLimit_(recordLimit),
      firstBlock_(firstBlock),
      currentBlock_(firstBlock),
      current_(layout, volumeId, recordLimit) {}

Result<TreeBlockChain> TreeBlockChain::Start(PoolSpace& space, BlockAllocator& allocator,
                                             BlockLayout layout, std::uint64_t volumeId,
                                             std::uint32_t recordLimit) {
  Result<std::uint32_t> first = allocator.allocate(1);
  if (!first) return first.error();
  return TreeBlockChain(space, allocator, layout, volumeId, recordLimit, *first);
}

Result<std::int64_t> TreeBlockChain::place(const ByteBuffer& record, std::size_t trailingZeros) {
  Result<std::optional<std::size_t>> placed = current_.append(record, trailingZeros);
  if (placed && !placed->has_value()) {
    Result<std::uint32_t> next = allocator_->allocate(1);
    if (!next) return next.error();
    current_.setLink(*next);
    if (Status status = space_->writeBlock(currentBlock_, current_.bytes()); !status) {
      return status.error();
    }
    current_ = TreeBlock(layout_, volumeId_, recordLimit_);
    currentBlock_ = *next;
    placed = current_.append(record, trailingZeros);
  }
  if (!placed) return placed.error();
  return space_->blockOffset(currentBlock_) + static_cast<std::int64_t>(**placed);
}

Status TreeBlockChain::finish() {
  return space_->writeBlock(currentBlock_, current_.bytes());
}

Result<std::int64_t> LooseBlock::place(const ByteBuffer& record, std::size_t trailingZeros) {
  Result<std::optional<std::size_t>> placed = block_.append(record, trailingZeros);
  if (!placed) return placed.error();
  if (!placed->has_value()) {
    return Error{"the loose block at disk offset " + std::to_string(offset_) + " is full"};
  }
  return offset_ + static_cast<std::int64_t>(**placed);
}

}  // namespace kestrel::mkimage
