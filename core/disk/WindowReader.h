// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "disk/ByteReader.h"
#include "disk/DiskReader.h"
#include "disk/ReadBuffer.h"

namespace kestrel::disk {

// One window of a scan: its bytes and where they start on the source.
struct ScanWindow {
  std::int64_t offset = 0;
  ByteView bytes;  // a whole window, shorter only at the end of the range or of the source
};

// Reads [from, to) one scan window after another, front to back, as the pool scan and the disk
// scan do, into one page-aligned buffer, with the system told that the range is read once in
// order so that it reads ahead. A window that cannot be read whole is read around its bad
// sectors (zeros). Whole windows of a hole in a sparse image are passed over unread; the windows
// after it start where they would have started. (Asking the system for the next window while the
// current one is examined measured slower on a cold loop device than leaving the read-ahead to the
// kernel.)
class WindowReader {
 public:
  WindowReader(const DiskReader& reader, std::int64_t from, std::int64_t to,
               std::size_t window = layout::kScanWindowSize);

  // The next window; nothing past the end of the range or of the source.
  std::optional<ScanWindow> Next();

 private:
  std::size_t WindowAt(std::int64_t offset) const;
  void SkipHole();

  const DiskReader& reader_;
  std::int64_t position_;
  std::int64_t end_;
  ReadBuffer buffer_;
};

}  // namespace kestrel::disk
