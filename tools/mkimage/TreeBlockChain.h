// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "BlockAllocator.h"
#include "PoolSpace.h"
#include "RecordSink.h"
#include "TreeBlock.h"

namespace kestrel::mkimage {

// Tree blocks linked into a chain, filled in order: when a record does not fit, a new block is
// allocated, the full one links to it and is written. The last block links to NoBlock.
class TreeBlockChain final : public RecordSink {
 public:
  static Result<TreeBlockChain> Start(PoolSpace& space, BlockAllocator& allocator,
                                      BlockLayout layout, std::uint64_t volumeId,
                                      std::uint32_t recordLimit);

  std::uint32_t firstBlock() const { return firstBlock_; }
  Result<std::int64_t> place(const ByteBuffer& record, std::size_t trailingZeros) override;
  Status finish() override;

 private:
  TreeBlockChain(PoolSpace& space, BlockAllocator& allocator, BlockLayout layout,
                 std::uint64_t volumeId, std::uint32_t recordLimit, std::uint32_t firstBlock);

  PoolSpace* space_;
  BlockAllocator* allocator_;
  BlockLayout layout_;
  std::uint64_t volumeId_;
  std::uint32_t recordLimit_;
  std::uint32_t firstBlock_;
  std::uint32_t currentBlock_;
  TreeBlock current_;
};

// A single tree block at a fixed disk offset that no chain reaches.
class LooseBlock final : public RecordSink {
 public:
  LooseBlock(PoolSpace& space, std::int64_t offset, BlockLayout layout, std::uint64_t volumeId)
      : space_(space), offset_(offset), block_(layout, volumeId, 0) {}

  Result<std::int64_t> place(const ByteBuffer& record, std::size_t trailingZeros) override;
  Status finish() override { return space_.write(offset_, block_.bytes()); }

 private:
  PoolSpace& space_;
  std::int64_t offset_;
  TreeBlock block_;
};

}  // namespace kestrel::mkimage
