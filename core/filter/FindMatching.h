// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::filter {

// The name test of find: the text typed is split at ";" into patterns (spaces around each
// trimmed), and a file name matches when it matches any of them as a whole, with "*" for any run
// of characters and "?" for exactly one, without regard to case. "." is an ordinary character.
class FindMatching {
 public:
  explicit FindMatching(std::u16string_view findText);

  bool HasPatterns() const { return !patterns_.empty(); }
  bool Matches(std::u16string_view name) const;

 private:
  std::vector<std::u32string> patterns_;  // case folded
};

}  // namespace kestrel::filter
