// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::filter {

enum class FilterMode { Include = 0, Exclude = 1 };

struct FilterGroup {
  std::string_view text;
  std::vector<std::u16string> entries;
};

// The five predefined groups of the filter dialog, in their order.
const std::array<FilterGroup, 5>& PredefinedFilterGroups();

// The file types one recovery run is limited to (Include) or keeps out (Exclude): entries such as
// "*.doc", in the order added. Empty: every file is written. Folders are made whatever it says.
class FilterList {
 public:
  FilterMode mode = FilterMode::Include;

  const std::vector<std::u16string>& patterns() const { return patterns_; }
  bool IsActive() const { return !patterns_.empty(); }

  void AddGroup(const FilterGroup& group);
  // A typed entry is added exactly as typed, when it holds a character other than a space.
  bool AddTyped(std::u16string_view text);
  // Removes the first entry equal to text, compared without regard to case.
  void Remove(std::u16string_view text);
  void Clear() { patterns_.clear(); }

  // Whether a run writes the file: "*." and the text after the last "." of its name ("*." for a
  // name without one) is looked up without regard to case.
  bool Admits(std::u16string_view fileName) const;

 private:
  std::vector<std::u16string> patterns_;
};

}  // namespace kestrel::filter
