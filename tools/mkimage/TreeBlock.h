// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "ByteBuffer.h"
#include "Layout.h"
#include "Status.h"

namespace kestrel::mkimage {

// One 4096-byte "LEAF" block being filled with records. A record is placed only while its start
// (from the record area) is below 3600 and it ends inside the block; the rest stays zero.
class TreeBlock {
 public:
  TreeBlock(BlockLayout layout, std::uint64_t volumeId, std::uint32_t recordLimit);

  // The record's offset in the block, or nothing when the block is full. Fails when the record
  // cannot fit even an empty block, or when, as the first record of a layout-B block, its key
  // would put "ND" at 0x32 and make the block read as layout A. `trailingZeros` are kept free
  // after the record.
  Result<std::optional<std::size_t>> append(const ByteBuffer& record, std::size_t trailingZeros);

  bool empty() const { return records_ == 0; }
  void setLink(std::uint32_t nextBlock) { link_ = nextBlock; }

  // The finished block. A block without records is written as layout B, as a reader sees it.
  ByteBuffer bytes() const;

 private:
  BlockLayout layout_;
  std::uint64_t volumeId_;
  std::uint32_t recordLimit_;
  std::uint32_t records_ = 0;
  std::size_t next_ = 0;  // offset of the next record from the record area
  std::uint32_t link_;
  ByteBuffer recordArea_;
};

}  // namespace kestrel::mkimage
