// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/SectorRange.h"

namespace kestrel::imaging {

enum class BlockState : std::uint8_t { Remaining, Current, Bad, Processed };

// The grid of progress blocks that imaging and cloning show: 42 x 42 squares, taken row by row,
// left to right. The range is cut into 1763 blocks of (total / 1763) sectors; the last square of
// the grid takes what those blocks leave over, so that every sector lies in exactly one square
// even when the block size is 0. The squares only show the copy: they never decide what is copied.
//
// A square is Current while it is copied, Processed once every sector of it is copied, Bad when
// one of its sectors could not be read, and Remaining until then (also a square that a stop left
// half done).
class ProgressGrid {
 public:
  static constexpr int kSide = 42;
  static constexpr int kSquares = kSide * kSide;
  static constexpr std::uint64_t kBlocks = 1763;

  ProgressGrid() = default;
  explicit ProgressGrid(std::uint64_t totalSectors);

  std::uint64_t TotalSectors() const { return totalSectors_; }
  std::uint64_t BlockSectors() const { return totalSectors_ / kBlocks; }

  // The sectors of a square, counted from the start of the range.
  SectorRange SquareSectors(int square) const;

  BlockState State(int square) const { return states_[static_cast<std::size_t>(square)]; }
  void SetState(int square, BlockState state) { states_[static_cast<std::size_t>(square)] = state; }
  const std::array<BlockState, kSquares>& States() const { return states_; }

 private:
  std::uint64_t totalSectors_ = 0;
  std::array<BlockState, kSquares> states_{};
};

// The chunks a square is copied in, in order: at most chunkSectors sectors each.
std::vector<SectorRange> ChunksOf(SectorRange square, std::uint32_t chunkSectors);

}  // namespace kestrel::imaging
