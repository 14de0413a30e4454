// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/BrowsedTree.h"
#include "filter/FindSearch.h"
#include "volume/Selection.h"
#include "volume/TreePaths.h"
#include "volume/VolumeScanner.h"

namespace kestrel::filter {
namespace {

using volume::FileTree;
using volume::kTopDirectoryKey;

// VOL1: a.txt at the top; P with three sub-folders S1, S2, S3 and the files x.doc, two.txt (of
// two extents) and b.txt; S3 holds SUB with last.txt. Display order: top, P, S1, S2, S3, SUB.
FileTree SampleTree() {
  FileTree tree = volume::NewVolumeTree(u"VOL1");
  tree.InsertScanItem({u"a.txt", 1, 5, kTopDirectoryKey, {1, 1}, {}});
  tree.InsertScanItem({u"P", 10, 0, kTopDirectoryKey, {}, {}});
  for (std::uint64_t key : {11, 12, 13})
    tree.InsertScanItem({u"S" + std::u16string(1, char16_t(u'0' + key - 10)), key, 0, 10, {}, {}});
  tree.InsertScanItem({u"x.doc", 2, 5, 10, {1, 2}, {}});
  tree.InsertScanItem({u"two.txt", 3, 9000, 10, {1, 3}, {{2, 4}}});
  tree.InsertScanItem({u"b.txt", 4, 5, 10, {1, 5}, {}});
  tree.InsertScanItem({u"SUB", 14, 0, 13, {}, {}});
  tree.InsertScanItem({u"last.txt", 5, 5, 14, {1, 6}, {}});
  return tree;
}

std::vector<std::string> AllMatches(const FileTree& tree, const char16_t* text,
                                    std::vector<std::uint32_t>* rows = nullptr) {
  const FindMatching matching(text);
  FindPosition position;
  std::vector<std::string> found;
  for (auto match = FindFromTop(tree, matching, position); match;
       match = FindNext(tree, matching, position)) {
    found.push_back(volume::FilePath(tree, match->folder, match->record));
    if (rows) rows->push_back(match->row);
  }
  return found;
}

TEST(FindSearch, DepthFirstThenF3InTheSameFolderWithRowsAfterTheSubFolders) {
  const FileTree tree = SampleTree();
  std::vector<std::uint32_t> rows;
  EXPECT_EQ(AllMatches(tree, u"*.txt", &rows),
            (std::vector<std::string>{"/a.txt", "/P/two.txt", "/P/b.txt", "/P/S3/SUB/last.txt"}));
  // two.txt: 3 sub-folders, then the 2nd named file of the chain; its continuation record is
  // no row, so b.txt is row 6.
  EXPECT_EQ(rows, (std::vector<std::uint32_t>{2, 5, 6, 1})) << "a.txt comes after the folder P";
}

TEST(FindSearch, TheLastFolderIsSearchedBelowItsOwnSubFolders) {
  // SUB sits under S3, the last child of P: a search that ends at the last folder shown (S3,
  // collapsed) would never reach it.
  EXPECT_EQ(AllMatches(SampleTree(), u"LAST.TXT"),
            (std::vector<std::string>{"/P/S3/SUB/last.txt"}));
  EXPECT_TRUE(AllMatches(SampleTree(), u"nothing*").empty());
}

TEST(FindSearch, AfterTheEndF3KeepsReportingItAndANewFindStartsAtTheTop) {
  const FileTree tree = SampleTree();
  const FindMatching matching(u"x.doc");
  FindPosition position;
  ASSERT_TRUE(FindNext(tree, matching, position)) << "F3 before any FIND starts at the top";
  EXPECT_EQ(position.m_findRow, 4u);
  EXPECT_EQ(tree.Record(position.m_findRecord).m_name, u"two.txt") << "the record after it";
  EXPECT_FALSE(FindNext(tree, matching, position));
  EXPECT_FALSE(FindNext(tree, matching, position));
  EXPECT_TRUE(FindFromTop(tree, matching, position));
}

TEST(BrowsedTree, UnmaskRestoresCountsAndTicksExactlyAndEveryChangeResetsTheSearch) {
  FileTree full = SampleTree();
  volume::ToggleFolder(full, volume::FindByPath(full, "/P/S3").at(0).folderId);
  const auto counters = full.counters;
  const auto selection = full.selection;
  ASSERT_EQ(selection.selectedFileCount, 1);

  BrowsedTree view(std::move(full));
  const FindMatching matching(u"*.txt");
  ASSERT_TRUE(FindFromTop(view.Shown(), matching, view.Find()));
  view.ShowMasked(volume::NewVolumeTree(u"Root"));
  EXPECT_TRUE(view.IsMasked());
  EXPECT_FALSE(view.Find().started) << "a position never outlives its tree";
  EXPECT_EQ(view.Shown().selection.selectedFileCount, 0);
  view.ShowMasked(volume::NewVolumeTree(u"Root"));  // a mask of the masked view

  ASSERT_FALSE(FindNext(view.Shown(), matching, view.Find()));
  view.Unmask();
  EXPECT_FALSE(view.IsMasked());
  EXPECT_FALSE(view.Find().ended);
  const FileTree& back = view.Shown();
  EXPECT_EQ(back.counters.fileCount, counters.fileCount);
  EXPECT_EQ(back.counters.folderCount, counters.folderCount);
  EXPECT_EQ(back.counters.totalSize, counters.totalSize);
  EXPECT_EQ(back.selection.selectedFileCount, selection.selectedFileCount);
  EXPECT_EQ(back.selection.selectedBytes, selection.selectedBytes);
  const auto ticked = volume::FindByPath(back, "/P/S3/SUB/last.txt").at(0).record;
  EXPECT_EQ(back.Record(ticked).m_state, volume::ItemState::Selected);
  EXPECT_EQ(back.Folder(back.Top()).check, volume::CheckState::Partial);
  EXPECT_EQ(AllMatches(back, u"*.txt").size(), 4u);

  ASSERT_TRUE(FindFromTop(view.Shown(), matching, view.Find()));
  view.Replace(volume::NewVolumeTree(u"VOL2"));
  EXPECT_FALSE(view.Find().started);
}

}  // namespace
}  // namespace kestrel::filter
