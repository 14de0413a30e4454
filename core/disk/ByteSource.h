// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kestrel::disk {

// Bytes offset to offset + length of a source.
struct ByteRange {
  std::int64_t offset = 0;
  std::int64_t length = 0;

  std::int64_t End() const { return offset + length; }
  bool operator==(const ByteRange&) const = default;
};

// One readable source of bytes: a disk, an image file, or memory. Sources are read-only.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Reads up to buffer.size() bytes at the byte offset. Returns how many bytes were read (fewer
  // at the end of the source, 0 beyond it), or nothing when the read failed.
  virtual std::optional<std::size_t> ReadSome(std::int64_t offset,
                                              std::span<std::uint8_t> buffer) = 0;

  virtual std::int64_t Size() const = 0;

  // A hint that [offset, offset + length) is about to be read once from start to end, so that the
  // system can read ahead further and keep less of it cached. Memory has nothing to tell.
  virtual void AdviseSequential(std::int64_t /*offset*/, std::int64_t /*length*/) {}

  // Where data may start at or after the offset, Size() when none does. The holes of a sparse
  // image file read as zeros, in which no scan finds anything, so a scan may pass over them. A
  // source without holes (a disk, memory) answers the offset itself.
  virtual std::int64_t NextData(std::int64_t offset) const { return offset; }

  // The ranges the source holds no data of, though it may read there (an evidence file's
  // acquisition errors, the sectors a map beside a member image says were never read): in order,
  // none overlapping or touching the next. A source read whole has none.
  virtual std::vector<ByteRange> UnreadRanges() const { return {}; }

  // Reads exactly buffer.size() bytes; a short read is a failed read.
  bool ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) {
    const auto count = ReadSome(offset, buffer);
    return count && *count == buffer.size();
  }
};

}  // namespace kestrel::disk
