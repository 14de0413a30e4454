// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/MaskDialog.h"
#include "filter/MaskRun.h"
#include "pool/PoolTree.h"
#include "volume/TreePaths.h"
#include "volume/VolumeScanner.h"

namespace kestrel::filter {
namespace {

using volume::DecodedEntry;
using volume::FileTree;
using volume::kDeletedKey;
using volume::kTopDirectoryKey;

std::vector<std::string> Paths(const FileTree& tree) {
  std::vector<std::string> paths;
  volume::ForEachEntry(tree, [&](const volume::TreeEntry& entry) { paths.push_back(entry.path); });
  return paths;
}

MaskCriteria Criteria(const char* patterns, bool deletedOnly = false,
                      std::optional<std::string> from = {}, std::optional<std::string> upto = {}) {
  return ReadMaskCriteria({patterns, deletedOnly, std::move(from), std::move(upto)}).value();
}

// VOL1: A/B/C nested three deep with one file at the bottom, DOCS with files of several types
// and sizes (one of three extents, one deleted, one beyond 4 GiB), an empty folder, top files.
class MaskRun : public ::testing::Test {
 protected:
  MaskRun() : tree(volume::NewVolumeTree(u"VOL1")) {
    File(u"top.doc", 1, 10, kTopDirectoryKey);
    Folder(u"A", 10, kTopDirectoryKey);
    Folder(u"B", 11, 10);
    Folder(u"C", 12, 11);
    Folder(u"DOCS", 13, kTopDirectoryKey);
    Folder(u"EMPTY", 14, kTopDirectoryKey);
    File(u"deep.doc", 2, 300, 12);
    File(u"report.DOC", 3, 100, 13);
    tree.InsertScanItem({u"multi.doc", 4, 9000, 13, {1, 50}, {{2, 60}, {3, 70}}});
    File(u"notes.txt", 5, 100, 13);
    File(u"README", 6, 100, 13);
    File(u"gone.doc", kDeletedKey, 200, 13);
    File(u"huge.doc", 7, (5ULL << 32) + 1, 13);
    File(u"dot.", 8, 1, 13);
  }

  void Folder(std::u16string name, std::uint64_t key, std::uint64_t parent) {
    tree.InsertScanItem({std::move(name), key, 0, parent, {}, {}});
  }
  void File(std::u16string name, std::uint64_t key, std::uint64_t size, std::uint64_t parent) {
    tree.InsertScanItem(
        {std::move(name), key, size, parent, {1, static_cast<std::uint32_t>(key)}, {}});
  }
  FileTree Mask(const MaskCriteria& criteria, MaskView view = MaskView::Volume) {
    app::NoProgress quiet;
    auto masked = RunMask(tree, criteria, view, quiet, {});
    EXPECT_TRUE(masked.has_value());
    return masked ? std::move(*masked) : volume::NewVolumeTree(u"none");
  }

  FileTree tree;
};

TEST_F(MaskRun, ByExtensionWithAncestorsPlacedOnceAndNestedAsBefore) {
  const FileTree masked = Mask(Criteria("*.doc;*.TXT"));
  EXPECT_EQ(Paths(masked),
            (std::vector<std::string>{"/top.doc", "/A", "/A/B", "/A/B/C", "/A/B/C/deep.doc",
                                      "/DOCS", "/DOCS/report.DOC", "/DOCS/multi.doc",
                                      "/DOCS/notes.txt", "/DOCS/gone.doc", "/DOCS/huge.doc"}));
  EXPECT_EQ(masked.FolderItemCount(), 5u) << "each folder once, the empty one not at all";
  EXPECT_EQ(masked.counters.folderCount, 4u);
  EXPECT_EQ(masked.counters.fileCount, 7u);
  EXPECT_EQ(masked.counters.totalSize, 10u + 300 + 100 + 9000 + 100 + 200 + (5ULL << 32) + 1);
  EXPECT_EQ(masked.FolderText(masked.Top()), u"Root");
  EXPECT_EQ(masked.Record(masked.Folder(masked.Top()).record).m_key, kTopDirectoryKey);
  EXPECT_EQ(masked.Record(masked.Folder(masked.Top()).record).m_parentKey, 0u);
  EXPECT_TRUE(masked.filesFound);
}

TEST_F(MaskRun, OnlyStarDotExtensionEntriesMatch) {
  EXPECT_EQ(Paths(Mask(Criteria("*.d?c;rep*.doc;doc"))), std::vector<std::string>{});
  EXPECT_EQ(Paths(Mask(Criteria("*."))), (std::vector<std::string>{"/DOCS", "/DOCS/dot."}))
      << "\"*.\" stands for a name ending in \".\", never for one without \".\"";
  EXPECT_TRUE(FileMask(Criteria("*.DÖC"), MaskView::Volume).MatchesMask(u"ärger.döc"))
      << "case folded beyond ASCII";
}

TEST_F(MaskRun, ContinuationRecordsFollowTheirFile) {
  const FileTree kept = Mask(Criteria("*.doc", false, "9000", "9000"));
  const auto multi = volume::FindByPath(kept, "/DOCS/multi.doc");
  ASSERT_EQ(multi.size(), 1u);
  EXPECT_EQ(volume::FileExtents(kept, multi[0].record),
            (std::vector<volume::Extent>{{1, 50}, {2, 60}, {3, 70}}));
  EXPECT_EQ(kept.RecordCount(), 2u + 3) << "Root, DOCS and the file's three records";
  const FileTree dropped = Mask(Criteria("*.txt"));
  EXPECT_EQ(dropped.RecordCount(), 2u + 1) << "no stray continuation record of multi.doc";
}

TEST_F(MaskRun, DeletedOnlyInTheVolumeViewNotInThePoolView) {
  EXPECT_EQ(Paths(Mask(Criteria("*.doc", true))),
            (std::vector<std::string>{"/DOCS", "/DOCS/gone.doc"}));
  EXPECT_EQ(Mask(Criteria("*.doc", true), MaskView::Pool).counters.fileCount, 6u);
}

TEST_F(MaskRun, SizeRangeOnAllSixtyFourBitsAndEveryNameWithOtherRules) {
  EXPECT_EQ(
      Paths(Mask(Criteria("*.*", false, "100", "100"))),
      (std::vector<std::string>{"/DOCS", "/DOCS/report.DOC", "/DOCS/notes.txt", "/DOCS/README"}));
  EXPECT_EQ(Paths(Mask(Criteria("*.doc", false, "4294967296"))),
            (std::vector<std::string>{"/DOCS", "/DOCS/huge.doc"}))
      << "a file of 5 GiB + 1 is not a file of 1 byte";
  EXPECT_EQ(Paths(Mask(Criteria("*.doc", false, {}, "10"))),
            (std::vector<std::string>{"/top.doc"}));
}

TEST(MaskRunDamage, ParentKeysInACycleOrMissingStillNestAsTheTreeShows) {
  FileTree tree = volume::NewVolumeTree(u"V");
  tree.InsertScanItem({u"X", 20, 0, kTopDirectoryKey, {}, {}});
  tree.InsertScanItem({u"Y", 21, 0, 20, {}, {}});
  tree.InsertScanItem({u"Z", 22, 0, 21, {}, {}});
  tree.InsertScanItem({u"f.doc", 30, 5, 22, {1, 9}, {}});
  // Damage read from disk after filing: X claims Y as its parent, Z a parent that is nowhere.
  tree.Record(tree.Folder(1).record).m_parentKey = 21;
  tree.Record(tree.Folder(3).record).m_parentKey = 999;
  app::NoProgress quiet;
  const auto masked = RunMask(tree, Criteria("*.doc"), MaskView::Volume, quiet, {});
  ASSERT_TRUE(masked);
  EXPECT_EQ(Paths(*masked), (std::vector<std::string>{"/X", "/X/Y", "/X/Y/Z", "/X/Y/Z/f.doc"}));
}

TEST(MaskRunPool, VolumeItemsKeepTheirLabelsAndCountAsNoFolder) {
  FileTree tree = pool::NewPoolTree();
  pool::PoolFiler filer(tree);
  filer.File({{{u"VOL1", 40, 0, 0, {}, {}}}, true, 7}, 0);
  filer.File({{{u"a.doc", 41, 3, kTopDirectoryKey, {1, 5}, {}}}, false, 0}, 7);
  filer.File({{{u"b.txt", 42, 3, kTopDirectoryKey, {1, 6}, {}}}, false, 0}, 7);
  tree.PlaceOrphans(FileTree::OrphanFallback::TopItem);
  app::NoProgress quiet;
  const auto masked = RunMask(tree, Criteria("*.doc"), MaskView::Pool, quiet, {});
  ASSERT_TRUE(masked);
  EXPECT_EQ(Paths(*masked), (std::vector<std::string>{"/VOL1", "/VOL1/a.doc"}));
  EXPECT_EQ(masked->counters.folderCount, tree.counters.folderCount);
  EXPECT_EQ(masked->Record(masked->Folder(1).record).m_volumeId, 7u);
}

TEST_F(MaskRun, AStopLeavesNoMaskedTreeAndProgressEndsAtTheTotal) {
  std::stop_source stop;
  stop.request_stop();
  app::NoProgress quiet;
  EXPECT_FALSE(RunMask(tree, Criteria("*.doc"), MaskView::Volume, quiet, stop.get_token()));
  struct Last : app::ProgressObserver {
    app::Progress last;
    void OnProgress(const app::Progress& p) override { last = p; }
  } watcher;
  RunMask(tree, Criteria("*.doc"), MaskView::Volume, watcher, {});
  EXPECT_EQ(watcher.last.done, tree.FolderItemCount());
  EXPECT_EQ(watcher.last.total, tree.FolderItemCount());
}

}  // namespace
}  // namespace kestrel::filter
