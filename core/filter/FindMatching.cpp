// SPDX-License-Identifier: Apache-2.0
#include "filter/FindMatching.h"

#include <algorithm>

#include "filter/CaseFold.h"
#include "filter/PatternList.h"
#include "filter/Wildcard.h"

namespace kestrel::filter {

FindMatching::FindMatching(std::u16string_view findText) {
  for (const std::u16string& pattern : SplitPatterns(findText, u";"))
    patterns_.push_back(FoldedText(pattern));
}

bool FindMatching::Matches(std::u16string_view name) const {
  if (patterns_.empty()) return false;
  const std::u32string folded = FoldedText(name);
  return std::any_of(patterns_.begin(), patterns_.end(), [&](const std::u32string& pattern) {
    return MatchesWildcard(pattern, folded);
  });
}

}  // namespace kestrel::filter
