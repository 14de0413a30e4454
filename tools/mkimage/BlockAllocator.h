// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "Status.h"

namespace kestrel::mkimage {

// A half-open range of disk bytes.
struct ByteRange {
  std::int64_t begin = 0;
  std::int64_t end = 0;
};

// Hands out pool blocks in increasing order, runs kept inside one region and clear of reserved
// byte ranges (loose blocks placed by the layout). Block n lies at poolBase + (n - 1) * 4096.
class BlockAllocator {
 public:
  struct Region {
    std::uint32_t first = 0;  // first usable block
    std::uint32_t end = 0;    // one past the last usable block
  };

  BlockAllocator(std::int64_t poolBase, std::vector<Region> regions,
                 std::vector<ByteRange> reserved);

  // The first block of `count` consecutive free blocks.
  Result<std::uint32_t> allocate(std::uint32_t count);
  // One past the last block handed out (the first region's first block before any).
  std::uint32_t allocatedEnd() const { return next_; }

 private:
  // The first block that starts at or after byte `offset`.
  std::uint32_t firstBlockFrom(std::int64_t offset) const;
  const ByteRange* overlap(std::uint32_t first, std::uint32_t count) const;

  std::int64_t poolBase_;
  std::vector<Region> regions_;
  std::vector<ByteRange> reserved_;
  std::size_t region_ = 0;
  std::uint32_t next_;
};

}  // namespace kestrel::mkimage
