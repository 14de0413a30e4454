// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "disk/DiskReader.h"
#include "disk/NssLayout.h"
#include "disk/ReadBuffer.h"
#include "disk/platform/Platform.h"
#include "volume/FileTree.h"

// Where a file's bytes lie on the source and how they are copied out.
namespace kestrel::volume {

struct SourceRange {
  std::int64_t offset = -1;  // -1: the extent names a block no source can hold
  std::uint64_t length = 0;
  std::uint64_t fileOffset = 0;  // where the range starts in the file
};

struct FileDataLayout {
  std::uint64_t size = 0;            // the bytes the file is cut to
  std::vector<SourceRange> ranges;   // in file order, together exactly `size` bytes or fewer
  std::uint64_t extentBytes = 0;     // what the extents hold
  bool inconsistentExtents = false;  // a further extent's running total does not grow

  bool ExtentsShort() const { return extentBytes < size; }
  // The bytes the extents place, from the start of the file: `size` unless the extents are short.
  std::uint64_t PlacedBytes() const {
    return ranges.empty() ? 0 : ranges.back().fileOffset + ranges.back().length;
  }
};

// The extents of the file whose head record is `head`, cut to its size. The first extent covers
// its block count; each further extent the growth of the running total over the extent before it.
// The size is the record's 64-bit size, or, where only its low 32 bits are known, the largest
// value with those low bits that the extents can hold.
FileDataLayout LayoutFileData(const FileTree& tree, RecordId head, std::int64_t poolBase);

// The largest size with these low 32 bits that extents of extentBytes can hold; the low bits alone
// when the extents hold less.
std::uint64_t SizeWithinExtents(std::uint32_t lowBits, std::uint64_t extentBytes);

// The size LayoutFileData cuts the file's data to, without laying out its extents.
std::uint64_t FileDataSize(const FileTree& tree, RecordId head);

// A run of a file's bytes, by offset in the file.
struct FileByteRun {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  bool operator==(const FileByteRun&) const = default;
};

struct RangeReadOutcome {
  std::size_t bytes = 0;                // bytes placed in the buffer: the request cut to the size
  std::uint64_t unreadableBlocks = 0;   // source blocks that could not be read
  std::vector<FileByteRun> unreadable;  // zeros in the buffer, never other bytes

  bool Whole() const { return unreadable.empty(); }
};

// Reads the file's bytes from `offset` into the buffer, across its extents, and cuts the request
// to the file's size. A read that fails is repeated block by block; a block that still cannot be
// read, and bytes past what the extents hold, are zeros listed as unreadable.
RangeReadOutcome ReadFileRange(const disk::DiskReader& source, const FileDataLayout& layout,
                               std::uint64_t offset, std::span<std::uint8_t> buffer);

// The largest piece a copy reads and writes at once.
inline constexpr std::size_t kCopyPieceSize = disk::layout::kScanWindowSize;

struct CopyOutcome {
  std::uint64_t bytesWritten = 0;
  std::uint64_t unreadableBlocks = 0;  // written as zeros
  std::string writeError;              // set when the output refused a write
  bool stopped = false;
};

// Where a copy reads its pieces into. The bytes handed to a write stay as they are until the
// buffers hand them out again: an output may go on reading them meanwhile (a hashing file hashes
// them on another thread).
class PieceBuffers {
 public:
  virtual ~PieceBuffers() = default;
  // A buffer of `size` bytes, at most kCopyPieceSize, for the next piece.
  virtual std::span<std::uint8_t> Next(std::size_t size) = 0;
};

// Two buffers in turn, for outputs done with the bytes of a write once the next one returns.
class CopyBuffers : public PieceBuffers {
 public:
  std::span<std::uint8_t> Next(std::size_t size) override;

 private:
  disk::ReadBuffer buffers_[2];
  std::size_t next_ = 0;
};

// One file's copy as CopyFileData makes it, a piece at a time, for a caller that takes turns
// between the copies of several files.
class PieceCopy {
 public:
  // Tells the source that the file's ranges are about to be read front to back: read ahead
  // further, a cold disk is read at the speed it can give.
  PieceCopy(const disk::DiskReader& source, const FileDataLayout& layout,
            platform::WritableFile& output, PieceBuffers& buffers);

  bool Done() const { return done_; }
  // Copies the next piece, unless `between`, which runs first, returns false to stop.
  void Step(const std::function<bool(std::uint64_t bytesWritten)>& between);
  const CopyOutcome& Outcome() const { return outcome_; }

 private:
  const disk::DiskReader& source_;
  const FileDataLayout& layout_;
  platform::WritableFile& output_;
  PieceBuffers& buffers_;
  CopyOutcome outcome_;
  bool done_;
};

// Copies the bytes the file's extents place from the source to the output, contiguous blocks in
// reads of up to kCopyPieceSize, as `ReadFileRange` reads them: a block that cannot be read is
// written as zeros, never as other bytes. `between` runs before every read (pausing, stopping);
// it returns false to stop.
CopyOutcome CopyFileData(const disk::DiskReader& source, const FileDataLayout& layout,
                         platform::WritableFile& output,
                         const std::function<bool(std::uint64_t bytesWritten)>& between,
                         PieceBuffers& buffers);
// The same with buffers of its own, for an output that is done with each write when it returns.
CopyOutcome CopyFileData(const disk::DiskReader& source, const FileDataLayout& layout,
                         platform::WritableFile& output,
                         const std::function<bool(std::uint64_t bytesWritten)>& between);

}  // namespace kestrel::volume
