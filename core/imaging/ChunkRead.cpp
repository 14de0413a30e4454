// SPDX-License-Identifier: Apache-2.0
#include "imaging/ChunkRead.h"

#include <algorithm>

#include "disk/NssLayout.h"

namespace kestrel::imaging {

void ReadChunk(const disk::DiskReader& source, Chunk& chunk) {
  constexpr std::size_t kSectorSize = disk::layout::kSectorSize;
  chunk.unreadable.clear();
  const std::span<std::uint8_t> bytes = chunk.buffer.first(chunk.sectors * kSectorSize);
  const auto offset = disk::SectorOffset(chunk.firstSector);
  if (offset && source.ReadAt(*offset, bytes)) return;
  for (std::uint32_t i = 0; i < chunk.sectors; ++i) {
    const std::span<std::uint8_t> sector = bytes.subspan(i * kSectorSize, kSectorSize);
    const auto at = disk::SectorOffset(chunk.firstSector + i);
    if (at && source.ReadAt(*at, sector)) continue;
    std::fill(sector.begin(), sector.end(), 0);
    chunk.unreadable.push_back(i);
  }
}

}  // namespace kestrel::imaging
