// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ByteBuffer.h"
#include "Status.h"

namespace kestrel::mkimage {

// The parts of one name as a name block stores them: one part, or two or three whose
// concatenation is the name. `zeroLengthPart` (1-based, never the first; 0 for none) is stored
// without its length, as a zero-terminated string in a room of 259 units.
struct NameParts {
  std::vector<std::u16string> parts;
  int zeroLengthPart = 0;
};

// Splits `name` into `count` parts: `explicitParts` when given (their concatenation must be the
// name), else evenly with the longer parts first. Every part has 1 to 255 units.
Result<NameParts> SplitName(std::u16string_view name, std::size_t count,
                            const std::vector<std::string>& explicitParts, int zeroLengthPart);

// Writes the lengths and units of a name block whose id (or entry code) field is at `start`:
// L1 at start+4 and units at start+6; P2 = start+10+2*L1 (16-bit L2 when a third part follows,
// else 8-bit); P3 = P2+6+2*L2 (8-bit L3). Returns the offset just past the last part's room.
std::size_t WriteNameParts(ByteBuffer& bytes, std::size_t start, const NameParts& name);

}  // namespace kestrel::mkimage
