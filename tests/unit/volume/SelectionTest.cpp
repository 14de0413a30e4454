// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "volume/ListRows.h"
#include "volume/Selection.h"
#include "volume/TreePaths.h"
#include "volume/VolumeScanner.h"

namespace kestrel::volume {
namespace {

// VOL1: DOCS (key 10) with three files of 100, 200 and 300 bytes, one of them with a second
// extent; PICS (key 11) with one file; a file in the top folder.
class Selection : public ::testing::Test {
 protected:
  Selection() : tree(NewVolumeTree(u"VOL1")) {
    tree.InsertScanItem({u"DOCS", 10, 0, kTopDirectoryKey, {}, {}});
    tree.InsertScanItem({u"PICS", 11, 0, kTopDirectoryKey, {}, {}});
    tree.InsertScanItem({u"a.txt", 20, 100, 10, {1, 5}, {}});
    tree.InsertScanItem({u"b.doc", 21, 200, 10, {1, 6}, {{2, 9}}});
    tree.InsertScanItem({u"c.xls", 22, 300, 10, {1, 7}, {}});
    tree.InsertScanItem({u"photo.bmp", 23, 5000, 11, {2, 30}, {}});
    tree.InsertScanItem({u"README", kDeletedKey, 7, kTopDirectoryKey, {1, 40}, {}});
  }

  FolderId FolderAt(const std::string& path) { return FindByPath(tree, path).at(0).folderId; }
  RowRef RowNamed(FolderId folder, std::u16string_view name) {
    for (const RowRef& row : ListRowRefs(tree, folder)) {
      if (RowName(tree, row) == name) return row;
    }
    ADD_FAILURE() << "no such row";
    return {};
  }

  FileTree tree;
};

TEST_F(Selection, TickingAFolderCountsItsFilesOnceAndShowsBytesWhileTheTopIsPartial) {
  const FolderId docs = FolderAt("/DOCS");
  SelectionChange change = ToggleFolder(tree, docs);
  EXPECT_EQ(change.text, "Files Selected: 3, size : 600.00 bytes");
  EXPECT_EQ(tree.Folder(tree.Top()).check, CheckState::Partial);
  EXPECT_EQ(change.buttons.recover, true);
  EXPECT_EQ(change.buttons.unselect, true);
  SelectSubtree(tree, docs);  // selecting again changes nothing
  EXPECT_EQ(tree.selection.selectedFileCount, 3);
  EXPECT_EQ(tree.selection.selectedBytes, 600);

  change = ToggleFolder(tree, docs);
  EXPECT_EQ(change.text, "Files Selected: 0, size : 0 bytes");
  EXPECT_EQ(tree.Folder(tree.Top()).check, CheckState::Unchecked);
  EXPECT_EQ(change.buttons.recover, false);
  UnselectSubtree(tree, FolderAt("/PICS"));  // never selected: nothing goes negative
  EXPECT_EQ(tree.selection.selectedFileCount, 0);
  EXPECT_EQ(tree.selection.selectedBytes, 0);
}

TEST_F(Selection, TextSwitchesToMegabytesAbove1048575Bytes) {
  FileTree big = NewVolumeTree(u"VOL");
  big.InsertScanItem({u"D", 10, 0, kTopDirectoryKey, {}, {}});
  big.InsertScanItem({u"E", 11, 0, kTopDirectoryKey, {}, {}});
  big.InsertScanItem({u"a", 20, 1048575, 10, {256, 5}, {}});
  big.InsertScanItem({u"b", 21, 1, 11, {1, 5}, {}});
  const FolderId d = FindByPath(big, "/D")[0].folderId;
  EXPECT_EQ(ToggleFolder(big, d).text, "Files Selected: 1, size : 1048575.00 bytes");
  const RowRef b = ListRowRefs(big, FindByPath(big, "/E")[0].folderId)[0];
  EXPECT_EQ(ToggleRow(big, FindByPath(big, "/E")[0].folderId, b).text,
            "Files Selected: 2, size : 1.00 MB");
  EXPECT_EQ(big.Folder(big.Top()).check, CheckState::Checked);
  EXPECT_EQ(ShownTreeSelection(big, SelectionUnit::Bytes).text, "Files Selected: 2, size : 1.00 MB")
      << "the pool page's Unmask too";
}

TEST_F(Selection, UntickingTheLastSelectedFileUnchecksItsFolderAndTheTop) {
  const FolderId pics = FolderAt("/PICS");
  EXPECT_EQ(ToggleRow(tree, pics, RowNamed(pics, u"photo.bmp")).text,
            "Files Selected: 1, size : 5000.00 bytes");
  EXPECT_EQ(tree.Folder(pics).check, CheckState::Checked);
  EXPECT_EQ(tree.Folder(tree.Top()).check, CheckState::Partial);
  const SelectionChange change = ToggleRow(tree, pics, RowNamed(pics, u"photo.bmp"));
  EXPECT_EQ(tree.Folder(pics).check, CheckState::Unchecked);
  EXPECT_EQ(tree.Folder(tree.Top()).check, CheckState::Unchecked);
  EXPECT_EQ(change.text, "Files Selected: 0, size : 0 bytes");
  EXPECT_EQ(change.buttons.unselect, false);
  EXPECT_EQ(change.buttons.selectAll, true);
}

TEST_F(Selection, AFolderRowSelectsItsWholeSubtree) {
  const SelectionChange change = ToggleRow(tree, tree.Top(), RowNamed(tree.Top(), u"DOCS"));
  EXPECT_EQ(tree.selection.selectedFileCount, 3);
  EXPECT_EQ(tree.Folder(FolderAt("/DOCS")).check, CheckState::Checked);
  EXPECT_EQ(tree.Folder(tree.Top()).check, CheckState::Partial);
  EXPECT_EQ(change.text, "Files Selected: 3, size : 600.00 bytes");
}

TEST_F(Selection, SelectAllAndUnselectAll) {
  SelectionChange change = SelectAll(tree);
  EXPECT_EQ(change.text, "Files Selected: 5, size : 5607.00 bytes");
  EXPECT_EQ(change.buttons.selectAll, false);
  EXPECT_EQ(change.buttons.recover, true);
  for (const RowRef& row : ListRowRefs(tree, FolderAt("/DOCS")))
    EXPECT_EQ(RowCheckImage(tree, row), 3);
  change = UnselectAll(tree);
  EXPECT_EQ(change.text, "Files Selected: 0, size : 0 MB");
  EXPECT_EQ(tree.selection.selectedFileCount, 0);
  EXPECT_EQ(change.buttons.recover, false);

  FileTree empty = NewVolumeTree(u"EMPTY");
  EXPECT_EQ(SelectAll(empty).buttons.recover, false) << "nothing to recover";
}

// A report names what was asked for: a folder ticked whole once, never its files too.
TEST_F(Selection, TickedPathsNameWholeFoldersOnceAndSingleFiles) {
  EXPECT_TRUE(TickedPaths(tree).empty());
  const FolderId docs = FolderAt("/DOCS");
  ToggleRow(tree, docs, RowNamed(docs, u"b.doc"));
  ToggleRow(tree, tree.Top(), RowNamed(tree.Top(), u"PICS"));
  EXPECT_EQ(TickedPaths(tree), (std::vector<std::string>{"/DOCS/b.doc", "/PICS"}));
  ToggleRow(tree, docs, RowNamed(docs, u"a.txt"));
  ToggleRow(tree, docs, RowNamed(docs, u"c.xls"));
  EXPECT_EQ(TickedPaths(tree), (std::vector<std::string>{"/DOCS", "/PICS"}));
  SelectAll(tree);
  EXPECT_EQ(TickedPaths(tree), std::vector<std::string>{"/"});
}

TEST_F(Selection, ListRowsShowFoldersThenFilesWithoutContinuationRecords) {
  const auto rows = ListRowRefs(tree, tree.Top());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(RowName(tree, rows[0]), u"DOCS");
  EXPECT_EQ(RowSizeText(tree, rows[0]), "0");
  EXPECT_EQ(RowTypeText(tree, rows[0]), "0");
  EXPECT_EQ(RowIcon(tree, rows[0]), 0);
  EXPECT_EQ(RowTypeText(tree, rows[2]), "Invalid/Deleted File");
  EXPECT_TRUE(RowIsDeleted(tree, rows[2]));
  EXPECT_FALSE(RowIsDeleted(tree, rows[0])) << "a folder row is never marked";
  EXPECT_EQ(WidestCellText(2), "Invalid/Deleted File");
  EXPECT_EQ(RowIcon(tree, rows[2]), 56) << "README has no extension";
  EXPECT_EQ(RowCheckImage(tree, rows[2]), 2);
  const auto docs = ListRowRefs(tree, FolderAt("/DOCS"));
  ASSERT_EQ(docs.size(), 3u) << "b.doc's second extent is no row";
  EXPECT_EQ(RowTypeText(tree, docs[1]), "Valid File");
  EXPECT_EQ(RowSizeText(tree, docs[1]), "200");
}

// After Unmask the full tree comes back with its ticks: the line reads as it did after the last
// tick, never "0 MB" for some hundred kilobytes ticked.
TEST_F(Selection, ASwappedInTreeShowsItsTicksAsTheLastTickDid) {
  ToggleFolder(tree, FolderAt("/DOCS"));
  const std::string ticked =
      ToggleRow(tree, FolderAt("/PICS"), RowNamed(FolderAt("/PICS"), u"photo.bmp")).text;
  EXPECT_EQ(ticked, "Files Selected: 4, size : 5600.00 bytes");
  const SelectionChange volumePage = ShownTreeSelection(tree, SelectionUnit::Megabytes);
  EXPECT_EQ(volumePage.text, ticked);
  EXPECT_TRUE(*volumePage.buttons.recover && *volumePage.buttons.unselect);
  EXPECT_EQ(ShownTreeSelection(tree, SelectionUnit::Bytes).text, ticked);
  UnselectAll(tree);
  const SelectionChange nothing = ShownTreeSelection(tree, SelectionUnit::Megabytes);
  EXPECT_EQ(nothing.text, "Files Selected: 0,Size : 0 MB");
  EXPECT_FALSE(*nothing.buttons.recover || *nothing.buttons.unselect);
  EXPECT_TRUE(*nothing.buttons.selectAll);
}

TEST(ListIcons, ByExtensionCaseSensitively) {
  EXPECT_EQ(IconForName(u"a.doc"), 20);
  EXPECT_EQ(IconForName(u"a.DOC"), 56);
  EXPECT_EQ(IconForName(u"movie.WMV"), 7);
  EXPECT_EQ(IconForName(u"archive.tar.Z"), 44);
  EXPECT_EQ(IconForName(u"x.ZIP"), 54);
  EXPECT_EQ(IconForName(u"lib.DLL"), 56);
  EXPECT_EQ(IconForName(u"trailing."), 56);
  EXPECT_EQ(IconForName(u"README"), 56);
}

TEST(SizeOfLargeFiles, ListShowsAllSixtyFourBits) {
  FileTree tree = NewVolumeTree(u"VOL");
  tree.InsertScanItem({u"disk.vhd", 1, 5ull << 30, kTopDirectoryKey, {1, 2}, {}});
  EXPECT_EQ(RowSizeText(tree, ListRowRefs(tree, tree.Top())[0]), "5368709120");
  EXPECT_EQ(WidestCellText(1).size(), std::to_string(~0ull).size()) << "the column holds any size";
}

}  // namespace
}  // namespace kestrel::volume
