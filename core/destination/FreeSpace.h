// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrel::destination {

inline constexpr std::string_view kInsufficientSpaceText =
    "Insufficient drive space at destination location.";

// The destination has room when the selected bytes are at most its free bytes. A destination
// whose free space cannot be measured is not refused: a write that fails is reported by itself.
constexpr bool HasRoomFor(std::uint64_t selectedBytes, std::optional<std::uint64_t> freeBytes) {
  return !freeBytes || selectedBytes <= *freeBytes;
}

}  // namespace kestrel::destination
