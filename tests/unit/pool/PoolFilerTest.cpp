// SPDX-License-Identifier: Apache-2.0
// The pool scan's filing rules: volume items, ownership by the block's volume id, and orphans.
#include <gtest/gtest.h>

#include "pool/PoolTree.h"
#include "volume/ListRows.h"
#include "volume/TreePaths.h"

namespace kestrel::pool {
namespace {

using volume::DecodedEntry;
using volume::kTopDirectoryKey;

DecodedEntry Entry(std::u16string name, std::uint64_t key, std::uint64_t parent,
                   std::uint64_t size = 0) {
  return {std::move(name), key, size, parent, size ? volume::Extent{1, 5} : volume::Extent{}, {}};
}

PoolRecord Volume(std::u16string name, std::uint64_t key, std::uint64_t id) {
  return {{Entry(std::move(name), key, 0)}, true, id};
}
PoolRecord Plain(DecodedEntry entry) {
  return {{std::move(entry)}, false, 0};
}

std::vector<std::string> Paths(const volume::FileTree& tree) {
  std::vector<std::string> paths;
  volume::ForEachEntry(tree, [&](const volume::TreeEntry& entry) { paths.push_back(entry.path); });
  return paths;
}

TEST(PoolFiler, VolumeRecordsBecomeItemsUnderPoolAndCountNothing) {
  volume::FileTree tree = NewPoolTree();
  PoolFiler filer(tree);
  filer.File(Volume(u"LogicalVolumes", 60, 0), 0);
  filer.File(Volume(u"VOL1", 61, 7), 0);
  filer.File(Volume(u"VOL1", 62, 8), 0);
  EXPECT_EQ(Paths(tree), (std::vector<std::string>{"/VOL1", "/VOL1"}));
  EXPECT_EQ(tree.FolderText(tree.Top()), u"pool");
  EXPECT_EQ(tree.Record(tree.Folder(tree.Top()).record).m_key, kPoolItemKey);
  const auto item = tree.Folder(tree.Top()).firstChild;
  EXPECT_TRUE(tree.Record(tree.Folder(item).record).m_name.empty())
      << "the item's record has no name";
  EXPECT_EQ(tree.Record(tree.Folder(item).record).m_volumeId, 7u);
  EXPECT_EQ(tree.counters.folderCount, 0u);
  const auto rows = volume::ListRowRefs(tree, tree.Top());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(volume::RowName(tree, rows[0]), u"VOL1") << "the list names the row as the tree does";
}

TEST(PoolFiler, EntriesGoToTheVolumeTheirBlockCarries) {
  volume::FileTree tree = NewPoolTree();
  PoolFiler filer(tree);
  filer.File(Volume(u"VOL1", 61, 7), 0);
  filer.File(Volume(u"VOL2", 62, 8), 0);
  filer.File(Plain(Entry(u"DOCS", 100, kTopDirectoryKey)), 8);
  filer.File(Plain(Entry(u"a.txt", 101, 100, 10)), 8);
  filer.File(Plain(Entry(u"empty.txt", 102, 100)), 8);
  filer.File(Plain(Entry(u"top.txt", 103, kTopDirectoryKey, 5)), 8);
  filer.File(Plain(Entry(u"LogicalVolumes", 104, kTopDirectoryKey)), 8);
  filer.File(Plain(Entry(u"stray.txt", 105, 555, 5)),
             99);  // no volume carries id 99, no folder key 555
  tree.PlaceOrphans(volume::FileTree::OrphanFallback::TopItem);
  EXPECT_EQ(Paths(tree),
            (std::vector<std::string>{"/stray.txt", "/VOL1", "/VOL2", "/VOL2/top.txt", "/VOL2/DOCS",
                                      "/VOL2/DOCS/a.txt", "/VOL2/DOCS/empty.txt"}));
  EXPECT_EQ(tree.counters.fileCount, 4u) << "a size-0 entry with a dot is a file of size 0";
  EXPECT_EQ(tree.counters.folderCount, 1u);
}

TEST(PoolFiler, OrphansLookInTheirOwnVolumeFirst) {
  // Both volumes have a folder with key 100; a file of VOL2 met before VOL2's folder must not
  // land in VOL1's.
  volume::FileTree tree = NewPoolTree();
  PoolFiler filer(tree);
  filer.File(Volume(u"VOL1", 61, 7), 0);
  filer.File(Volume(u"VOL2", 62, 8), 0);
  filer.File(Plain(Entry(u"D1", 100, kTopDirectoryKey)), 7);
  filer.File(Plain(Entry(u"X", 300, kTopDirectoryKey)), 8);
  filer.File(Plain(Entry(u"late.txt", 200, 100, 5)), 8);
  filer.File(Plain(Entry(u"D2", 100, 300)), 8);
  tree.PlaceOrphans(volume::FileTree::OrphanFallback::TopItem);
  EXPECT_EQ(Paths(tree), (std::vector<std::string>{"/VOL1", "/VOL1/D1", "/VOL2", "/VOL2/X",
                                                   "/VOL2/X/D2", "/VOL2/X/D2/late.txt"}));
}

TEST(PoolFiler, DeletedVolumesAreThoseTheDirectoryNoLongerLists) {
  volume::FileTree tree = NewPoolTree();
  PoolFiler filer(tree);
  filer.File(Volume(u"LIVE", 61, 7), 0);
  filer.File(Volume(u"GONE", 62, 8), 0);
  MarkDeletedVolumes(tree, filer.volumes(), {61});
  const auto live = tree.Folder(tree.Top()).firstChild;
  EXPECT_FALSE(tree.Folder(live).deletedVolume);
  EXPECT_TRUE(tree.Folder(tree.Folder(live).nextSibling).deletedVolume);
}

}  // namespace
}  // namespace kestrel::pool
