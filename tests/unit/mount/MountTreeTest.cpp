// SPDX-License-Identifier: Apache-2.0
// The folder tree a mount serves: names that are one path component and unique in their folder,
// deleted entries marked, pool volumes as top folders, sizes past 4 GiB, lookup by path.
#include <gtest/gtest.h>

#include "mount/EntryNames.h"
#include "mount/MountTree.h"
#include "pool/PoolTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::mount {
namespace {

using volume::kDeletedKey;
using volume::kTopDirectoryKey;

constexpr std::uint64_t kBlock = 4096;

void AddFile(volume::FileTree& tree, std::u16string name, std::uint64_t key,
             std::uint64_t parent = kTopDirectoryKey, std::uint64_t size = 10) {
  const auto blocks = static_cast<std::uint32_t>((size + kBlock - 1) / kBlock);
  tree.InsertScanItem({std::move(name), key, size, parent, {blocks, 50}, {}});
}

void AddFolder(volume::FileTree& tree, std::u16string name, std::uint64_t key,
               std::uint64_t parent = kTopDirectoryKey) {
  tree.InsertScanItem({std::move(name), key, 0, parent, {}, {}});
}

std::vector<std::string> NamesIn(const MountTree& mounted, NodeId folder) {
  std::vector<std::string> names;
  const MountNode& node = mounted.Node(folder);
  for (NodeId id = node.firstChild; id < node.firstChild + node.childCount; ++id)
    names.push_back(mounted.Node(id).name);
  return names;
}

TEST(MountNames, NamesAreMadeSafeAndClashesNumberedAsRecoveryNumbersThem) {
  volume::FileTree tree = volume::NewVolumeTree(u"V");
  AddFolder(tree, u"DOCS", 200);
  AddFile(tree, u"a.txt", 300, 200);
  AddFile(tree, u"a.txt", kDeletedKey, 200);
  AddFile(tree, u"a.txt", kDeletedKey, 200);
  AddFile(tree, u"a.txt", 301, 200);
  AddFile(tree, u"x/y", 302, 200);
  AddFile(tree, u"..", 303, 200);
  AddFile(tree, u"Copy(1)_a.txt", 304, 200);
  AddFile(tree, u"DOCS", 305);
  const MountTree mounted(tree);
  EXPECT_EQ(NamesIn(mounted, MountTree::Top()), (std::vector<std::string>{"DOCS", "Copy(1)_DOCS"}))
      << "folders come first and keep their name";
  EXPECT_EQ(NamesIn(mounted, *mounted.Find("/DOCS")),
            (std::vector<std::string>{"a.txt", "a.txt\\deleted", "Copy(1)_a.txt\\deleted",
                                      "Copy(2)_a.txt", "x_y", "__", "Copy(1)_a.txt"}))
      << "a name from disk that looks like a copy's keeps it";
  EXPECT_TRUE(mounted.Node(*mounted.Find("/DOCS/a.txt\\deleted")).deleted);
  EXPECT_FALSE(mounted.Node(*mounted.Find("/DOCS/a.txt")).deleted);
}

TEST(MountNames, ADeletedSuffixNeverClashesWithANameFromDiskAndLongNamesStayInALimit) {
  const std::u16string lookalike = u"a.txt\\deleted";  // made safe, its backslash is gone
  const std::u16string longName = std::u16string(300, u'n') + u".doc";
  const std::vector<EntryName> entries{
      {u"a.txt", true}, {lookalike, false}, {longName, true}, {longName, true}};
  const std::vector<std::string> names = FolderEntryNames(entries);
  EXPECT_EQ(names[0], "a.txt\\deleted");
  EXPECT_EQ(names[1], "a.txt_deleted");
  for (const std::string& name : {names[2], names[3]}) {
    EXPECT_EQ(name.size(), 255u);
    EXPECT_TRUE(name.ends_with(".doc\\deleted")) << name;
  }
  EXPECT_TRUE(names[3].starts_with("Copy(1)_nnn"));
}

TEST(MountTree, PoolVolumesAreTopFoldersAndADeletedVolumeIsMarked) {
  volume::FileTree tree = pool::NewPoolTree();
  for (const auto& [label, deleted] : {std::pair{u"LIVE", false}, std::pair{u"GONE", true}}) {
    const volume::RecordId record =
        tree.NewEntryRecords({label, deleted ? 901u : 900u, 0, 128, {}, {}}, true);
    const volume::FolderId item = tree.AddFolderItem(tree.Top(), record);
    tree.SetLabel(item, label);
    tree.Folder(item).deletedVolume = deleted;
  }
  const MountTree mounted(tree);
  EXPECT_EQ(NamesIn(mounted, MountTree::Top()),
            (std::vector<std::string>{"LIVE", "GONE\\deleted"}));
  EXPECT_TRUE(mounted.Node(*mounted.Find("/GONE\\deleted")).folder);
}

TEST(MountTree, SizesPastFourGibibytesWhetherTheHighBitsAreKnownOrNot) {
  volume::FileTree tree = volume::NewVolumeTree(u"V");
  AddFile(tree, u"huge.vhd", 400, kTopDirectoryKey, (5ull << 30) + 7);
  volume::DecodedEntry saved{u"saved.bin", 401, 100, kTopDirectoryKey, {(1u << 20) + 1, 60}, {}};
  saved.sizeHighKnown = false;  // as a scan information file keeps it: the low 32 bits
  tree.InsertScanItem(std::move(saved));
  const MountTree mounted(tree);
  EXPECT_EQ(mounted.Node(*mounted.Find("/huge.vhd")).size, (5ull << 30) + 7);
  EXPECT_EQ(mounted.Node(*mounted.Find("/saved.bin")).size, (1ull << 32) + 100)
      << "the largest size with those low bits that the extents hold";
}

TEST(MountTree, EveryPathLeadsBackToItsNodeAndNothingElseIsFound) {
  volume::FileTree tree = volume::NewVolumeTree(u"V");
  AddFolder(tree, u"A", 200);
  AddFolder(tree, u"B", 201, 200);
  AddFolder(tree, u"B", 202, 200);
  AddFile(tree, u"f", 300, 201);
  AddFile(tree, u"f", 301, 202);
  AddFile(tree, u"top", 302);
  const MountTree mounted(tree);
  ASSERT_EQ(mounted.NodeCount(), 7u);
  for (NodeId id = 0; id < mounted.NodeCount(); ++id)
    EXPECT_EQ(mounted.Find(mounted.PathOf(id)), id) << mounted.PathOf(id);
  EXPECT_EQ(mounted.Find("/"), MountTree::Top());
  EXPECT_EQ(mounted.Find("/A/Copy(1)_B/"), mounted.Find("/A/Copy(1)_B"));
  EXPECT_EQ(mounted.Find("/A/b"), std::nullopt) << "names are compared exactly";
  EXPECT_EQ(mounted.Find("/top/x"), std::nullopt) << "a file holds no entries";
  EXPECT_EQ(mounted.Node(*mounted.Find("/A")).folderCount, 2u);
}

TEST(MountTree, FoldersNestedDeeperThanAnyCallStack) {
  volume::FileTree tree = volume::NewVolumeTree(u"V");
  constexpr std::uint64_t kDepth = 200000;
  for (std::uint64_t i = 0; i < kDepth; ++i)
    AddFolder(tree, u"d", 1000 + i, i == 0 ? kTopDirectoryKey : 999 + i);
  const MountTree mounted(tree);
  EXPECT_EQ(mounted.NodeCount(), kDepth + 1);
  EXPECT_EQ(mounted.Node(static_cast<NodeId>(kDepth)).parent, kDepth - 1);
}

}  // namespace
}  // namespace kestrel::mount
