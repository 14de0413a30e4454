// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

#include "filter/FilterList.h"

// The filter dialog: its captions, what "Add" adds, and which buttons may be pressed.
namespace kestrel::filter {

inline constexpr std::string_view kFilterTitle = "Enter Filter Basis";
inline constexpr std::string_view kAddCaption = "Add";
inline constexpr std::string_view kIncludeCaption = "Include";
inline constexpr std::string_view kExcludeCaption = "Exclude";
inline constexpr std::string_view kRemoveCaption = "Remove";

// "Add" with the drop-down's text: a predefined group's text adds the group's entries, any other
// text is one typed entry. False when nothing was added (a text of spaces only).
bool AddFilterText(FilterList& list, std::string_view text);

struct FilterDialogButtons {
  bool add = false;
  bool include = false;
  bool exclude = false;
  bool remove = false;
};

// Add while the drop-down holds text; Include and Exclude while the list has entries; Remove
// while one of them is selected.
FilterDialogButtons FilterButtonsFor(const FilterList& list, std::string_view text,
                                     bool entrySelected);

}  // namespace kestrel::filter
