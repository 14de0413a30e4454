// SPDX-License-Identifier: Apache-2.0
#include "imaging/ProgressGrid.h"

#include <algorithm>

namespace kestrel::imaging {

ProgressGrid::ProgressGrid(std::uint64_t totalSectors) : totalSectors_(totalSectors) {}

SectorRange ProgressGrid::SquareSectors(int square) const {
  const auto index = static_cast<std::uint64_t>(square);
  const std::uint64_t first = index * BlockSectors();
  if (index + 1 == kSquares) return {first, totalSectors_};
  return {first, first + BlockSectors()};
}

std::vector<SectorRange> ChunksOf(SectorRange square, std::uint32_t chunkSectors) {
  std::vector<SectorRange> chunks;
  for (std::uint64_t at = square.first; chunkSectors != 0 && at < square.end;) {
    const std::uint64_t end = std::min<std::uint64_t>(square.end, at + chunkSectors);
    chunks.push_back({at, end});
    at = end;
  }
  return chunks;
}

}  // namespace kestrel::imaging
