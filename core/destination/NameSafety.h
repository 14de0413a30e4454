// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

#include "destination/Destination.h"

namespace kestrel::destination {

struct SafeName {
  std::string name;      // UTF-8, safe to use as one path component at the destination
  bool changed = false;  // the name from disk had to be changed
};

// A name from disk is data, not a path: separators, "." and "..", NUL and control characters and
// the characters the destination refuses become "_", a unit that is no UTF-16 becomes U+FFFD,
// and a name too long for the destination is shortened, keeping its extension. Under Windows'
// rules a device name (CON, NUL.txt) gets a "_" before it, and dots and blanks at the end become
// "_".
SafeName MakeSafeName(std::u16string_view name, const NameRules& rules);

}  // namespace kestrel::destination
