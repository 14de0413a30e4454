// SPDX-License-Identifier: Apache-2.0
// Feeds the input as the text of a rescue map file: what the parser takes must write back as a map
// that reads the same, and marking it must keep its runs whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "imaging/RescueMap.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint64_t kBytes = 1 << 20;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto map = imaging::RescueMap::Parse(text, kBytes);
  if (!map.ok()) return 0;
  const auto again = imaging::RescueMap::Parse(map.value().Text("fuzz"), kBytes);
  if (!again.ok() || again.value().Blocks() != map.value().Blocks()) std::abort();
  map.value().Mark(size * 512 % kBytes, 4096, imaging::BlockStatus::Finished);
  if (map.value().Bytes() != kBytes) std::abort();
  return 0;
}
