// SPDX-License-Identifier: Apache-2.0
// The filter dialog: what "Add" adds and which buttons may be pressed.
#include <gtest/gtest.h>

#include "filter/FilterDialog.h"

namespace kestrel::filter {
namespace {

TEST(FilterDialog, AGroupsTextAddsItsEntriesAnyOtherTextItself) {
  FilterList list;
  EXPECT_TRUE(AddFilterText(list, PredefinedFilterGroups()[3].text));
  EXPECT_EQ(list.patterns().size(), 5u);
  EXPECT_EQ(list.patterns().front(), u"*.zip");
  EXPECT_TRUE(AddFilterText(list, "*.DOC"));
  EXPECT_EQ(list.patterns().back(), u"*.DOC");
  EXPECT_FALSE(AddFilterText(list, "   ")) << "spaces alone are no entry";
  EXPECT_EQ(list.patterns().size(), 6u);
}

TEST(FilterDialog, ButtonsFollowTheTextTheListAndTheSelection) {
  FilterList list;
  FilterDialogButtons buttons = FilterButtonsFor(list, "", false);
  EXPECT_FALSE(buttons.add || buttons.include || buttons.exclude || buttons.remove);
  EXPECT_TRUE(FilterButtonsFor(list, "*.t", false).add);
  list.AddTyped(u"*.txt");
  buttons = FilterButtonsFor(list, "", false);
  EXPECT_TRUE(buttons.include && buttons.exclude);
  EXPECT_FALSE(buttons.add || buttons.remove);
  EXPECT_TRUE(FilterButtonsFor(list, "", true).remove);
  list.Remove(u"*.TXT");
  buttons = FilterButtonsFor(list, "", true);
  EXPECT_FALSE(buttons.include || buttons.exclude || buttons.remove)
      << "removing the last entry turns them off";
}

}  // namespace
}  // namespace kestrel::filter
