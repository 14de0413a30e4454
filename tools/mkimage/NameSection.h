// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "ByteBuffer.h"
#include "Layout.h"
#include "NameBlock.h"
#include "Status.h"

namespace kestrel::mkimage {

// One name entry of a name section: its code, its name and the parent key it gives the entry.
struct NameEntry {
  std::uint16_t code = 23;
  NameParts name;
  std::uint64_t parentKey = 0;
};

// What the name section of a file or folder record holds.
struct NameSectionLayout {
  NameForm form = NameForm::Form1;
  std::optional<NameEntry> first;   // at T+15 in forms 1 and 2; absent: an unknown code there
  std::optional<NameEntry> second;  // in the second stage (form 2, neither)
  int stage = 1;                    // second-stage candidate 1..4 that holds `second`
};

// Writes the name section at `t` and returns the offset just past every byte that a decoder of
// the section reads. Fails when an entry cannot be represented: a code-127 parent key that
// clashes with the bytes it overlaps, or a second-stage entry whose bytes would make an earlier
// candidate read as a known code.
Result<std::size_t> WriteNameSection(ByteBuffer& record, std::size_t t,
                                     const NameSectionLayout& wanted);

}  // namespace kestrel::mkimage
