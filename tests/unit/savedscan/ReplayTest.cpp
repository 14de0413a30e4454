// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>

#include "disk/MemorySource.h"
#include "savedscan/Replay.h"
#include "savedscan/ScanFileReader.h"
#include "savedscan/ScanFileWriter.h"
#include "support/Bytes.h"
#include "support/FailingRead.h"
#include "volume/FileData.h"
#include "volume/TreePaths.h"
#include "volume/VolumeScanner.h"

namespace kestrel::savedscan {
namespace {

using volume::ItemState;

ScanFileRecord Record(std::uint64_t parent, std::uint64_t key, std::uint32_t size,
                      std::uint32_t blocks, std::uint32_t start, std::u16string name) {
  return {parent, key, size, blocks, start, ItemState::Selected, std::move(name)};
}

std::vector<std::string> Paths(const volume::FileTree& tree) {
  std::vector<std::string> paths;
  volume::ForEachEntry(tree, [&](const volume::TreeEntry& entry) { paths.push_back(entry.path); });
  return paths;
}

TEST(Replay, TheFirstRecordGivesBaseTopAndSource) {
  SavedScan scan{{Record(0x105000, 127, 0, 0, 0, u"Volume:VOL1,/dev/disk,with,commas"),
                  Record(127, 10, 0, 0, 0, u"DOCS"), Record(10, 11, 9000, 2, 40, u"a.doc"),
                  Record(10, 11, 9000, 3, 44, u""), Record(555, 12, 5, 1, 50, u"lost.txt"),
                  Record(10, 13, 0, 0, 0, u"x.tmp")}};
  app::NoProgress quiet;
  const ReplayedScan replayed = ReplaySavedScan(scan, quiet);
  EXPECT_EQ(replayed.poolBase, 0x105000);
  EXPECT_EQ(replayed.sourcePath, "commas");
  EXPECT_EQ(replayed.displayName, "Volume:VOL1");
  EXPECT_EQ(replayed.tree.FolderText(replayed.tree.Top()), u"VOL1");
  EXPECT_FALSE(replayed.poolScan);
  EXPECT_EQ(Paths(replayed.tree),
            (std::vector<std::string>{"/DOCS", "/DOCS/a.doc", "/DOCS/lost.txt"}))
      << "an orphan lands in the last folder; an empty entry with a dot is dropped";
  EXPECT_EQ(replayed.tree.counters.fileCount, 2u) << "a continuation record is no file of its own";
  const auto a = volume::FindByPath(replayed.tree, "/DOCS/a.doc")[0].record;
  EXPECT_EQ(volume::FileExtents(replayed.tree, a), (std::vector<volume::Extent>{{2, 40}, {3, 44}}));
  EXPECT_EQ(replayed.tree.Record(a).m_state, ItemState::Unselected)
      << "the saved state is not taken over";
  EXPECT_FALSE(replayed.tree.Record(a).m_sizeHighKnown);
}

// The file keeps only the low 32 bits of a size: a file of exactly 4 GiB or 8 GiB is saved with
// size 0, and its blocks tell it from a folder.
TEST(Replay, ARecordWithBlocksIsAFileWhateverItsSavedSize) {
  constexpr std::uint32_t kBlocksOf4GiB = 1u << 20;
  SavedScan scan{{Record(0x105000, 127, 0, 0, 0, u"Volume:VOL1,/dev/disk"),
                  Record(127, 10, 0, 0, 0, u"DOCS"),
                  Record(10, 11, 0, kBlocksOf4GiB, 40, u"disk.vhd"),
                  Record(10, 12, 0, kBlocksOf4GiB, 40 + kBlocksOf4GiB, u"BACKUP"),
                  Record(10, 12, 0, 2 * kBlocksOf4GiB, 40 + 2 * kBlocksOf4GiB, u"")}};
  app::NoProgress quiet;
  const ReplayedScan replayed = ReplaySavedScan(scan, quiet);
  EXPECT_EQ(Paths(replayed.tree),
            (std::vector<std::string>{"/DOCS", "/DOCS/disk.vhd", "/DOCS/BACKUP"}));
  EXPECT_EQ(replayed.tree.counters.fileCount, 2u);
  EXPECT_EQ(replayed.tree.counters.folderCount, 1u);
  const auto backup = volume::FindByPath(replayed.tree, "/DOCS/BACKUP")[0].record;
  EXPECT_FALSE(replayed.tree.Record(backup).IsFolderRecord());
  EXPECT_EQ(volume::FileDataSize(replayed.tree, backup), std::uint64_t{8} << 30);
}

// A file of 5 GiB + 123 is saved with size 1 GiB + 123: it is listed, counted and recovered with
// the size its blocks hold, not with the low bits alone.
TEST(Replay, AFileOver4GiBHasTheSizeItsBlocksHold) {
  constexpr std::uint64_t kSize = (std::uint64_t{5} << 30) + 123;
  SavedScan scan{{Record(0x5000, 127, 0, 0, 0, u"Volume:V,/d.img"),
                  Record(127, 10, static_cast<std::uint32_t>(kSize), 1310720, 6, u"huge.vhd"),
                  Record(127, 10, 0, 1310721, 9000000, u""), Record(127, 11, 9, 1, 7, u"a.txt")}};
  app::NoProgress quiet;
  const ReplayedScan replayed = ReplaySavedScan(scan, quiet);
  const auto huge = volume::FindByPath(replayed.tree, "/huge.vhd")[0].record;
  EXPECT_EQ(replayed.tree.Record(huge).FullSize(), kSize);
  EXPECT_EQ(volume::FileDataSize(replayed.tree, huge), kSize);
  EXPECT_EQ(replayed.tree.counters.totalSize, kSize + 9);
  EXPECT_EQ(replayed.tree.Record(volume::FindByPath(replayed.tree, "/a.txt")[0].record).FullSize(),
            9u);
}

// A saved scan names its source by path; whatever is found there now is checked before its data
// are read.
TEST(Replay, TheSourceIsCheckedForWhatTheScanWasMadeOf) {
  app::NoProgress quiet;
  const ReplayedScan pool =
      ReplaySavedScan({{Record(0x5000, 128, 0, 0, 0, u"Pool,/p.img")}}, quiet);
  const ReplayedScan volume =
      ReplaySavedScan({{Record(0x5000, 127, 0, 0, 0, u"Volume:V,/d.img")}}, quiet);
  test::Bytes disk(0x6000);
  const auto check = [&](const ReplayedScan& replayed) {
    return CheckSavedScanSource(
        replayed, disk::DiskReader(std::make_shared<disk::MemorySource>(disk.data())));
  };
  EXPECT_EQ(check(pool), "no pool super block (\"SPB5\") at byte 20480");
  EXPECT_EQ(check(volume), "no pool label at byte 14848");
  disk.Put(0x5000, "SPB5");
  EXPECT_EQ(check(pool), std::nullopt);
  EXPECT_NE(check(volume), std::nullopt) << "a super block is no pool label";
  disk.PutUtf16(0x3A00 + 0x28, u"DATA");
  EXPECT_EQ(check(volume), std::nullopt);
}

// Every read of a saved scan of 2 MiB fails in turn: the records before the failure are kept, the
// failure is named with its place, and a replay of them holds nothing the whole file does not.
TEST(Replay, AFailedReadOfTheScanFileIsNamedAndReplaysOnlyWhatWasRead) {
  volume::FileTree tree = volume::NewVolumeTree(u"VOL1");
  tree.InsertScanItem({u"DOCS", 10, 0, volume::kTopDirectoryKey, {}, {}});
  constexpr std::uint32_t kFiles = 40000;
  for (std::uint32_t n = 0; n < kFiles; ++n) {
    const std::string name = "file" + std::to_string(n) + ".txt";
    tree.InsertScanItem({{name.begin(), name.end()}, 100 + n, 10, 10, {1, 50 + n}, {}});
  }
  const auto bytes = EncodeScanFile(tree, ScanKind::Volume, {"Volume:VOL1", "/d.img", 0x5000});
  ASSERT_GT(bytes.size(), std::size_t{2} << 20) << "a file that takes three reads";
  SavedScan whole;
  test::ForEveryFailingRead(
      bytes, [&](std::shared_ptr<test::FailingReadSource> source, std::uint64_t k) {
        const SavedScan scan = ParseScanRecords(disk::DiskReader(source));
        if (k == 0) {
          whole = scan;
          EXPECT_EQ(scan.unreadableAt, std::nullopt);
          return;
        }
        ASSERT_NE(scan.unreadableAt, std::nullopt) << "every read holds records";
        ASSERT_LT(scan.records.size(), whole.records.size());
        EXPECT_TRUE(std::equal(scan.records.begin(), scan.records.end(), whole.records.begin()));
        app::NoProgress quiet;
        const ReplayedScan replayed = ReplaySavedScan(scan, quiet);
        EXPECT_LT(replayed.tree.counters.fileCount, kFiles);
      });
}

// Stops after the second entry: what was filed stays, the rest is not read.
class StopAfter : public app::ProgressObserver {
 public:
  StopAfter(std::stop_source& source, int reports) : source_(source), left_(reports) {}
  void OnProgress(const app::Progress&) override {
    if (--left_ == 0) source_.request_stop();
  }

 private:
  std::stop_source& source_;
  int left_;
};

TEST(Replay, AStopEndsItBetweenTwoEntries) {
  SavedScan scan{{Record(0, 127, 0, 0, 0, u"Volume:V,/dev/disk"), Record(127, 10, 0, 0, 0, u"A"),
                  Record(127, 11, 0, 0, 0, u"B"), Record(127, 12, 0, 0, 0, u"C")}};
  EXPECT_TRUE(IsPoolScan({{Record(0, 128, 0, 0, 0, u"Pool,/x")}}));
  EXPECT_FALSE(IsPoolScan(scan));
  std::stop_source stop;
  StopAfter observer(stop, 2);
  const ReplayedScan replayed = ReplaySavedScan(scan, observer, stop.get_token());
  EXPECT_TRUE(replayed.stopped);
  EXPECT_EQ(Paths(replayed.tree), (std::vector<std::string>{"/A", "/B"}));
}

TEST(Replay, WithoutACommaTheSourceIsNotNamed) {
  app::NoProgress quiet;
  const ReplayedScan replayed =
      ReplaySavedScan({{Record(0, 127, 0, 0, 0, u"nothing to split")}}, quiet);
  EXPECT_EQ(replayed.sourcePath, std::nullopt);
  EXPECT_TRUE(ReplaySavedScan({}, quiet).tree.FolderText(0).empty())
      << "an empty scan: an empty tree";
}

TEST(Replay, APoolScanKeepsThePoolsRules) {
  SavedScan scan{{Record(0x5000, 128, 0, 0, 0, u"Pool,/images/pool.IMG"),
                  Record(128, 61, 0, 0, 0, u"VOL1"), Record(61, 70, 0, 0, 0, u"empty.txt"),
                  Record(61, 71, 0, 0, 0, u"DIR")}};
  app::NoProgress quiet;
  const ReplayedScan replayed = ReplaySavedScan(scan, quiet);
  EXPECT_TRUE(replayed.poolScan);
  EXPECT_EQ(replayed.tree.FolderText(replayed.tree.Top()), u"")
      << "the display name \"Pool\" has no \":\"";
  EXPECT_EQ(Paths(replayed.tree),
            (std::vector<std::string>{"/VOL1", "/VOL1/empty.txt", "/VOL1/DIR"}));
  EXPECT_EQ(replayed.tree.counters.folderCount, 1u) << "a volume item counts as no folder";
}

}  // namespace
}  // namespace kestrel::savedscan
