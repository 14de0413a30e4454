// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>

#include "ByteBuffer.h"
#include "Status.h"

namespace kestrel::mkimage {

// Somewhere records are placed: a chain of tree blocks, or one loose block.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // Places the record with `trailingZeros` free bytes after it; returns its disk offset.
  virtual Result<std::int64_t> place(const ByteBuffer& record, std::size_t trailingZeros) = 0;
  // Writes what is still held back.
  virtual Status finish() = 0;
};

}  // namespace kestrel::mkimage
