// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"

// The map of a rescue imaging run, in GNU ddrescue's map format, so that the run can be resumed
// where it stopped and the map read by ddrescue's own tools: the current position, phase and
// pass, then every byte of the image in runs of one status, from position 0 to the end.
namespace kestrel::disk {

// What is known of a run of bytes.
enum class BlockStatus : char {
  NonTried = '?',    // not read yet
  NonTrimmed = '*',  // a read across it failed; its edges are still to be read sector by sector
  NonScraped = '/',  // its edges are trimmed; its inside is still to be read sector by sector
  BadSector = '-',   // read sector by sector and failed; zeros in the image
  Finished = '+',    // in the image
};

// What the run is doing: the map's current status.
enum class RescuePhase : char {
  Copying = '?',
  Trimming = '*',
  Scraping = '/',
  Retrying = '-',
  Finished = '+',
};

struct MapBlock {
  std::uint64_t position = 0;
  std::uint64_t size = 0;
  BlockStatus status = BlockStatus::NonTried;

  std::uint64_t End() const { return position + size; }
  bool operator==(const MapBlock&) const = default;
};

class RescueMap {
 public:
  // A map of `bytes` bytes, none of them tried.
  explicit RescueMap(std::uint64_t bytes);

  // Reads a map file's text for an image of `bytes` bytes; refused when it is not a map, or its
  // runs do not cover exactly those bytes in whole sectors.
  static app::Result<RescueMap> Parse(std::string_view text, std::uint64_t bytes);
  // The map file's text; `header` is written as comment lines first.
  std::string Text(std::string_view header) const;

  // Gives the bytes from position to position + size the status, joining runs of one status.
  void Mark(std::uint64_t position, std::uint64_t size, BlockStatus status);

  const std::vector<MapBlock>& Blocks() const { return blocks_; }
  std::uint64_t Bytes() const { return blocks_.back().End(); }
  std::uint64_t BytesWith(BlockStatus status) const;
  // The first run of that status that ends after `from`, cut to start at `from` at the earliest.
  std::optional<MapBlock> NextWith(BlockStatus status, std::uint64_t from) const;

  std::uint64_t currentPosition = 0;
  RescuePhase phase = RescuePhase::Copying;
  unsigned pass = 1;

 private:
  RescueMap() = default;
  // Makes a run start at `position` (inside the map), splitting the run that holds it.
  std::size_t SplitAt(std::uint64_t position);

  std::vector<MapBlock> blocks_;
};

// The text of the map file at path, or why it cannot be read.
app::Result<std::string> ReadMapText(const std::string& path);

}  // namespace kestrel::disk
