// SPDX-License-Identifier: Apache-2.0
// Feeds a tree block's record area through the record grammar, at every even offset, in both
// layouts.
#include <cstddef>
#include <cstdint>

#include "volume/RecordGrammar.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const disk::ByteView area(data, size);
  std::uint64_t parentKey = 0;
  volatile std::size_t sink = 0;
  for (const auto layout : {disk::BlockLayout::A, disk::BlockLayout::B}) {
    for (std::size_t h = 0; h < size && h < 256; h += 2) {
      const volume::RecordDecoding decoded = volume::DecodeRecord(area, h, layout, parentKey);
      sink = sink + decoded.next + decoded.entries.size();
    }
  }
  return 0;
}
