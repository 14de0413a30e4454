// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "filter/FilterList.h"

namespace kestrel::filter {
namespace {

TEST(FilterList, EmptyAdmitsEverything) {
  const FilterList filter;
  EXPECT_FALSE(filter.IsActive());
  EXPECT_TRUE(filter.Admits(u"anything.tmp"));
}

TEST(FilterList, IncludeByExtensionWithoutRegardToCase) {
  FilterList filter;
  EXPECT_TRUE(filter.AddTyped(u"*.DOC"));
  EXPECT_TRUE(filter.Admits(u"report.doc"));
  EXPECT_FALSE(filter.Admits(u"report.txt"));
  EXPECT_FALSE(filter.Admits(u"doc"));
  EXPECT_FALSE(filter.Admits(u"archive.doc.gz")) << "the text after the last dot";
  EXPECT_FALSE(filter.AddTyped(u"   ")) << "spaces alone are not an entry";
  filter.AddTyped(u" *.txt");
  EXPECT_FALSE(filter.Admits(u"notes.txt")) << "a leading space never matches";
  filter.AddTyped(u"*.");
  EXPECT_TRUE(filter.Admits(u"README")) << "\"*.\" stands for names without an extension";
}

TEST(FilterList, ExcludeKeepsOnlyTheOthers) {
  FilterList filter;
  filter.mode = FilterMode::Exclude;
  filter.AddTyped(u"*.tmp");
  EXPECT_FALSE(filter.Admits(u"~x.TMP"));
  EXPECT_TRUE(filter.Admits(u"x.doc"));
}

TEST(FilterList, GroupsAddTheirEntriesAndRemoveTakesTheFirstMatch) {
  const auto& groups = PredefinedFilterGroups();
  EXPECT_EQ(groups[2].text,
            "Graphics files (*.bmp, *.gif, *.jpg, *.jpeg, *.png, *.tif, *.ico, *.cur)");
  FilterList filter;
  filter.AddGroup(groups[2]);
  filter.AddGroup(groups[2]);
  EXPECT_EQ(filter.patterns().size(), 16u) << "duplicates are kept";
  EXPECT_TRUE(filter.Admits(u"logo.PNG"));
  filter.Remove(u"*.PNG");
  EXPECT_EQ(filter.patterns().size(), 15u);
  EXPECT_TRUE(filter.Admits(u"logo.png")) << "the second copy still matches";
  EXPECT_EQ(groups[0].entries,
            (std::vector<std::u16string>{u"*.doc", u"*.dot", u"*.xls", u"*.xlw", u"*.ppt"}));
  EXPECT_EQ(groups[1].entries.back(), u"*.shtml");
}

}  // namespace
}  // namespace kestrel::filter
