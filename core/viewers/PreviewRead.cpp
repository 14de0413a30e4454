// SPDX-License-Identifier: Apache-2.0
#include "viewers/PreviewRead.h"

#include <algorithm>

#include "disk/NssLayout.h"

namespace kestrel::viewers {

PreviewRead ReadForPreview(const disk::DiskReader& source, const volume::FileDataLayout& layout,
                           std::span<std::uint8_t> buffer, std::stop_token stop) {
  constexpr std::size_t kPiece = disk::layout::kScanWindowSize;
  PreviewRead read;
  const std::size_t wanted = std::min<std::uint64_t>(buffer.size(), layout.size);
  while (read.bytes < wanted) {
    if (stop.stop_requested()) {
      read.stopped = true;
      return read;
    }
    const auto piece = buffer.subspan(read.bytes, std::min(kPiece, wanted - read.bytes));
    for (const auto& run : volume::ReadFileRange(source, layout, read.bytes, piece).unreadable)
      read.unreadableBytes += run.length;
    read.bytes += piece.size();
  }
  return read;
}

}  // namespace kestrel::viewers
