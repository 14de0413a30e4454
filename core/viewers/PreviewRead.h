// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <span>
#include <stop_token>

#include "disk/DiskReader.h"
#include "volume/FileData.h"

namespace kestrel::viewers {

struct PreviewRead {
  std::size_t bytes = 0;  // placed in the buffer: its size cut to the file's size
  std::uint64_t unreadableBytes = 0;
  bool stopped = false;
};

// Fills the buffer from the start of the file, in reads of up to 1 MiB so that a new choice stops
// a long read between two of them. Unreadable bytes are zeros, as recovery writes them.
PreviewRead ReadForPreview(const disk::DiskReader& source, const volume::FileDataLayout& layout,
                           std::span<std::uint8_t> buffer, std::stop_token stop);

}  // namespace kestrel::viewers
