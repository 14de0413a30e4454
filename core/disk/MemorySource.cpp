// SPDX-License-Identifier: Apache-2.0
#include "disk/MemorySource.h"

#include <algorithm>

#include "disk/NssLayout.h"

namespace kestrel::disk {

std::optional<std::size_t> MemorySource::ReadSome(std::int64_t offset,
                                                  std::span<std::uint8_t> buffer) {
  if (offset < 0) return std::nullopt;
  const auto start = static_cast<std::uint64_t>(offset);
  if (start >= bytes_.size()) return 0;
  const std::size_t count = std::min<std::uint64_t>(buffer.size(), bytes_.size() - start);
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(start), count, buffer.begin());
  return count;
}

std::optional<std::size_t> FaultyMemorySource::ReadSome(std::int64_t offset,
                                                        std::span<std::uint8_t> buffer) {
  if (TouchesBadSector(offset, buffer.size())) return std::nullopt;
  return MemorySource::ReadSome(offset, buffer);
}

bool FaultyMemorySource::TouchesBadSector(std::int64_t offset, std::size_t size) const {
  if (offset < 0 || size == 0) return false;
  const std::uint64_t first = static_cast<std::uint64_t>(offset) / layout::kSectorSize;
  const std::uint64_t last = (static_cast<std::uint64_t>(offset) + size - 1) / layout::kSectorSize;
  const auto bad = badSectors_.lower_bound(first);
  return bad != badSectors_.end() && *bad <= last;
}

}  // namespace kestrel::disk
