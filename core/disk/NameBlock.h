// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/ByteReader.h"

namespace kestrel::disk {

// The names of a named record, laid out by the name-space id that starts the block.
struct NameBlock {
  std::uint16_t nameSpaceId = 0;
  std::vector<std::u16string> names;  // one, two or three names in stored order; none for other ids
  std::size_t end = 0;                // E: offset of the last byte of the last name (the id's own
                                      // offset for an unknown id), in the coordinates of the area
};

// Reads the name block whose name-space id lies at offset n of the record area. A name is taken
// to at most 259 units; for ids 22 and 20 the fields after a longer name are looked for as if it
// had been 259 units long, while the end of an id-23 block follows its stored length.
NameBlock ReadNameBlock(ByteView recordArea, std::size_t n);

// The names joined without separator, as the volume label shows them.
std::u16string JoinNames(const std::vector<std::u16string>& names);

}  // namespace kestrel::disk
