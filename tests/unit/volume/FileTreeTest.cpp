// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "volume/FileTree.h"
#include "volume/TreePaths.h"
#include "volume/VolumeScanner.h"

namespace kestrel::volume {
namespace {

DecodedEntry Folder(std::u16string name, std::uint64_t key, std::uint64_t parent) {
  return {std::move(name), key, 0, parent, {}, {}};
}

DecodedEntry File(std::u16string name, std::uint64_t key, std::uint64_t parent, std::uint64_t size,
                  std::vector<Extent> further = {}) {
  return {std::move(name), key, size, parent, {1, 100}, std::move(further)};
}

std::vector<std::string> Paths(const FileTree& tree) {
  std::vector<std::string> paths;
  ForEachEntry(tree, [&](const TreeEntry& entry) {
    paths.push_back(entry.path + (entry.folder ? "/" : ""));
  });
  return paths;
}

TEST(InsertScanItem, SizeMakesAFileAndADottedEmptyEntryIsDropped) {
  FileTree tree = NewVolumeTree(u"VOL1");
  tree.InsertScanItem(File(u"a.txt", 10, kTopDirectoryKey, 0));
  tree.InsertScanItem(Folder(u"", 11, kTopDirectoryKey));
  tree.InsertScanItem(Folder(u"a", 12, kTopDirectoryKey));
  tree.InsertScanItem(File(u"b", 13, kTopDirectoryKey, 5));
  EXPECT_EQ(Paths(tree), (std::vector<std::string>{"/b", "/a/"}));
  EXPECT_EQ(tree.counters.folderCount, 1u);
  EXPECT_EQ(tree.counters.fileCount, 1u);
  EXPECT_TRUE(tree.filesFound);
}

TEST(InsertScanItem, EveryFurtherExtentIsAContinuationRecordButTheFileCountsOnce) {
  FileTree tree = NewVolumeTree(u"VOL1");
  tree.InsertScanItem(File(u"big.dat", 10, kTopDirectoryKey, 5ull << 30, {{3, 500}, {7, 900}}));
  EXPECT_EQ(tree.counters.fileCount, 1u);
  EXPECT_EQ(tree.counters.totalSize, 5ull << 30) << "all 64 bits of the size count";
  const RecordId head = tree.Record(tree.Folder(tree.Top()).record).m_next;
  EXPECT_EQ(tree.Record(head).m_size, static_cast<std::uint32_t>(5ull << 30));
  EXPECT_EQ(tree.Record(head).FullSize(), 5ull << 30);
  EXPECT_EQ(FileExtents(tree, head), (std::vector<Extent>{{1, 100}, {3, 500}, {7, 900}}));
  const RecordId second = tree.Record(head).m_next;
  EXPECT_TRUE(tree.Record(second).IsContinuation());
  EXPECT_EQ(tree.Record(second).m_key, 10u);
  EXPECT_EQ(LastRecordOfFile(tree, head), tree.Folder(tree.Top()).lastRecord);
}

TEST(Orphans, WaitForTheirFolderAndFollowTheDirectlyFiledFiles) {
  FileTree tree = NewVolumeTree(u"VOL1");
  tree.InsertScanItem(File(u"early.txt", 20, 500, 1, {{2, 9}}));
  tree.InsertScanItem(Folder(u"DOCS", 500, kTopDirectoryKey));
  tree.InsertScanItem(File(u"late.txt", 21, 500, 1));
  EXPECT_TRUE(tree.HasOrphans());
  EXPECT_EQ(tree.counters.fileCount, 1u) << "an orphan counts only once it is placed";
  tree.PlaceOrphans();
  EXPECT_EQ(Paths(tree), (std::vector<std::string>{"/DOCS/", "/DOCS/late.txt", "/DOCS/early.txt"}));
  EXPECT_EQ(tree.counters.fileCount, 2u);
  const auto early = FindByPath(tree, "/DOCS/early.txt");
  ASSERT_EQ(early.size(), 1u);
  EXPECT_EQ(FileExtents(tree, early[0].record).size(), 2u)
      << "continuation records travel with the file";
}

// The last folder is kept as folders are added, in whatever branch they go.
TEST(DisplayOrder, TheLastFolderFollowsEveryBranchAdded) {
  FileTree tree = NewVolumeTree(u"VOL1");
  const auto last = [&] { return tree.FolderText(tree.LastFolderInDisplayOrder()); };
  EXPECT_EQ(tree.LastFolderInDisplayOrder(), tree.Top());
  tree.InsertScanItem(Folder(u"A", 10, kTopDirectoryKey));
  tree.InsertScanItem(Folder(u"B", 11, 10));
  EXPECT_EQ(last(), u"B");
  tree.InsertScanItem(Folder(u"C", 12, kTopDirectoryKey));
  EXPECT_EQ(last(), u"C");
  tree.InsertScanItem(Folder(u"D", 13, 10));
  tree.InsertScanItem(Folder(u"E", 14, 11));
  EXPECT_EQ(last(), u"C") << "folders added in an earlier branch come before C";
  tree.InsertScanItem(Folder(u"F", 15, 12));
  tree.InsertScanItem(Folder(u"G", 16, 15));
  EXPECT_EQ(last(), u"G");
  tree.InsertScanItem(Folder(u"H", 17, 12));
  EXPECT_EQ(last(), u"H");
  EXPECT_TRUE(tree.IsBeforeInDisplayOrder(tree.FindFolder(16), tree.FindFolder(17)));
  EXPECT_FALSE(tree.IsBeforeInDisplayOrder(tree.FindFolder(17), tree.FindFolder(14)));
}

TEST(Orphans, WithoutTheirFolderLandInTheLastFolderInDisplayOrder) {
  FileTree tree = NewVolumeTree(u"VOL1");
  tree.InsertScanItem(Folder(u"A", 1, kTopDirectoryKey));
  tree.InsertScanItem(Folder(u"A1", 2, 1));
  tree.InsertScanItem(Folder(u"B", 3, kTopDirectoryKey));
  tree.InsertScanItem(File(u"lost.txt", 9, 777, 1));
  tree.InsertScanItem(Folder(u"LOSTDIR", 8, 778));
  tree.PlaceOrphans();
  EXPECT_EQ(Paths(tree),
            (std::vector<std::string>{"/A/", "/A/A1/", "/B/", "/B/lost.txt", "/B/LOSTDIR/"}));
  EXPECT_EQ(tree.Record(FindByPath(tree, "/B/lost.txt")[0].record).m_parentKey, 3u);
}

TEST(FindFolder, TheFirstFolderInDisplayOrderWinsAmongEqualKeys) {
  FileTree tree = NewVolumeTree(u"VOL1");
  tree.InsertScanItem(Folder(u"A", 1, kTopDirectoryKey));
  tree.InsertScanItem(Folder(u"B", 2, kTopDirectoryKey));
  tree.InsertScanItem(Folder(u"deletedInB", kDeletedKey, 2));
  tree.InsertScanItem(Folder(u"deletedInA", kDeletedKey, 1));  // added later, but shown earlier
  tree.InsertScanItem(File(u"x.txt", 5, kDeletedKey, 1));
  EXPECT_EQ(Paths(tree), (std::vector<std::string>{"/A/", "/A/deletedInA/", "/A/deletedInA/x.txt",
                                                   "/B/", "/B/deletedInB/"}));
}

TEST(FindFolder, ScalesToManyEntries) {
  FileTree tree = NewVolumeTree(u"VOL1");
  for (std::uint64_t f = 0; f < 10000; ++f)
    tree.InsertScanItem(Folder(u"F", 1000 + f, kTopDirectoryKey));
  for (std::uint64_t i = 0; i < 200000; ++i)
    tree.InsertScanItem(File(u"f.txt", i, 1000 + i % 10000, 1));
  EXPECT_EQ(tree.counters.fileCount, 200000u);
  EXPECT_EQ(tree.Record(tree.Folder(tree.FindFolder(1000 + 9999)).record).m_key, 10999u);
}

}  // namespace
}  // namespace kestrel::volume
