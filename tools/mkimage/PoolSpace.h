// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "ByteBuffer.h"
#include "NssFormat.h"
#include "SparseFile.h"
#include "Status.h"

namespace kestrel::mkimage {

// The blocks of one pool on its disk image: block n lies at poolBase + (n - 1) * 4096.
class PoolSpace {
 public:
  PoolSpace(SparseFile& image, std::int64_t poolBase) : image_(image), poolBase_(poolBase) {}

  std::int64_t poolBase() const { return poolBase_; }
  std::int64_t blockOffset(std::uint32_t block) const {
    return poolBase_ + (std::int64_t{block} - 1) * static_cast<std::int64_t>(nss::kBlockSize);
  }
  SparseFile& image() { return image_; }

  Status write(std::int64_t offset, const ByteBuffer& bytes) {
    return image_.write(static_cast<std::uint64_t>(offset), bytes.bytes());
  }
  Status writeBlock(std::uint32_t block, const ByteBuffer& bytes) {
    return write(blockOffset(block), bytes);
  }

 private:
  SparseFile& image_;
  std::int64_t poolBase_;
};

}  // namespace kestrel::mkimage
