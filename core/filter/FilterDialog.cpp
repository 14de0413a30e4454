// SPDX-License-Identifier: Apache-2.0
#include "filter/FilterDialog.h"

#include "app/TextEncoding.h"

namespace kestrel::filter {

bool AddFilterText(FilterList& list, std::string_view text) {
  for (const FilterGroup& group : PredefinedFilterGroups()) {
    if (group.text == text) {
      list.AddGroup(group);
      return true;
    }
  }
  return list.AddTyped(app::ToUtf16(text));
}

FilterDialogButtons FilterButtonsFor(const FilterList& list, std::string_view text,
                                     bool entrySelected) {
  const bool entries = list.IsActive();
  return {!text.empty(), entries, entries, entries && entrySelected};
}

}  // namespace kestrel::filter
