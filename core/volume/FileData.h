#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "disk/DiskReader.h"
#include "disk/platform/Platform.h"
#include "volume/FileTree.h"

// Where a file's bytes lie on the source and how they are copied out.
namespace kestrel::volume {

struct SourceRange {
  std::int64_t offset = -1;  // -1: the extent names a block no source can hold
  std::uint64_t length = 0;
};

struct FileDataLayout {
  std::uint64_t size = 0;            // the bytes the file is cut to
  std::vector<SourceRange> ranges;   // in file order, together exactly `size` bytes or fewer
  std::uint64_t extentBytes = 0;     // what the extents hold
  bool inconsistentExtents = false;  // a further extent's running total does not grow

  bool ExtentsShort() const { return extentBytes < size; }
};

// The extents of the file whose head record is `head`, cut to its size. The first extent covers
// its block count; each further extent the growth of the running total over the extent before it.
// The size is the record's 64-bit size, or, where only its low 32 bits are known, the largest
// value with those low bits that the extents can hold.
FileDataLayout LayoutFileData(const FileTree& tree, RecordId head, std::int64_t poolBase);

struct CopyOutcome {
  std::uint64_t bytesWritten = 0;
  std::uint64_t unreadableBlocks = 0;  // written as zeros
  std::string writeError;              // set when the output refused a write
  bool stopped = false;
};

// Copies the file's bytes from the source to the output, contiguous blocks in reads of up to
// 1 MiB. A read that fails is repeated block by block, and a block that still cannot be read is
// written as zeros, never as other bytes. `between` runs before every read (pausing, stopping);
// it returns false to stop.
CopyOutcome CopyFileData(const disk::DiskReader& source, const FileDataLayout& layout,
                         platform::WritableFile& output,
                         const std::function<bool(std::uint64_t bytesWritten)>& between);

}  // namespace kestrel::volume
