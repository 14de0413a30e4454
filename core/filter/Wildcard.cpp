// SPDX-License-Identifier: Apache-2.0
#include "filter/Wildcard.h"

namespace kestrel::filter {

// Greedy matching with one remembered "*": whatever an earlier "*" could absorb, the latest one
// can absorb as well, so retrying only the latest loses no match.
bool MatchesWildcard(std::u32string_view pattern, std::u32string_view name) {
  constexpr auto kNone = std::u32string_view::npos;
  std::size_t p = 0, n = 0;
  std::size_t star = kNone, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      starName = n;
    } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (star != kNone) {
      p = star + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

}  // namespace kestrel::filter
