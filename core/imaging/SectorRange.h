// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

namespace kestrel::imaging {

// Sectors first to end, the end not included: m_imageStartSector and m_imageEndSector of an image.
struct SectorRange {
  std::uint64_t first = 0;
  std::uint64_t end = 0;

  std::uint64_t Count() const { return end > first ? end - first : 0; }
  bool operator==(const SectorRange&) const = default;
};

}  // namespace kestrel::imaging
