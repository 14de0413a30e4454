// SPDX-License-Identifier: Apache-2.0
#include "filter/PatternList.h"

#include <algorithm>

namespace kestrel::filter {
namespace {

std::u16string_view Trimmed(std::u16string_view entry) {
  const auto first = entry.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return entry.substr(first, entry.find_last_not_of(u' ') - first + 1);
}

}  // namespace

std::vector<std::u16string> SplitPatterns(std::u16string_view text,
                                          std::u16string_view separators) {
  std::vector<std::u16string> entries;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find_first_of(separators, start), text.size());
    if (const auto entry = Trimmed(text.substr(start, end - start)); !entry.empty())
      entries.emplace_back(entry);
    start = end + 1;
  }
  return entries;
}

}  // namespace kestrel::filter
