// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

namespace kestrel::imaging {

// Sectors first to first + count.
struct SectorRun {
  std::uint64_t first = 0;
  std::uint64_t count = 0;

  bool operator==(const SectorRun&) const = default;
};

// The sectors a copy could not read, as runs: in ascending order, never overlapping, and adjacent
// sectors joined into one run.
class BadSectorMap {
 public:
  // Sectors are added in ascending order, as a copy meets them.
  void Add(std::uint64_t sector);

  const std::vector<SectorRun>& Runs() const { return runs_; }
  std::uint64_t SectorCount() const { return sectorCount_; }

 private:
  std::vector<SectorRun> runs_;
  std::uint64_t sectorCount_ = 0;
};

}  // namespace kestrel::imaging
