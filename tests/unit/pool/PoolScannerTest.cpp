// SPDX-License-Identifier: Apache-2.0
// The pool scan over pools in memory: the linear search, the super block, windows, bad sectors,
// stops, and the real super block sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "disk/MemorySource.h"
#include "pool/PoolScanner.h"
#include "pool/PoolTree.h"
#include "support/FailingRead.h"
#include "support/Files.h"
#include "support/PoolBytes.h"
#include "support/RealSample.h"
#include "volume/TreePaths.h"

namespace kestrel::pool {
namespace {

using namespace test;

constexpr std::int64_t kBase = 0x5000;  // a pool image: the header at 0, the super block after it

// A volume record ("3" after "ND") named name whose VolumeInfo carries the volume id.
std::size_t PutVolume(Bytes& disk, std::size_t at, std::u16string_view name, std::uint64_t key,
                      std::uint64_t id) {
  const std::size_t length = PutVolumeRecord(disk, at, 1, {std::u16string(name)}, 3);
  disk.PutU8(at + 4, '3')
      .PutU64(at + 8, key)
      .PutU32(at + 0x5C, 1);  // a start block, or scanners skip it
  const std::size_t end = 0x78 + 6 + 2 * name.size() - 1;
  disk.PutU64(at + end + 0x71 + 0x20, id);
  return length;
}

// A tree block at a byte offset of the image, owned by volume id.
std::size_t PutLooseBlock(Bytes& disk, std::size_t offset, std::uint64_t id) {
  disk.Put(offset, "LEAF").PutU64(offset + 0x10, id).PutU8(offset + 4095, 0);
  return offset + 0x28;
}

class PoolScan : public ::testing::Test {
 protected:
  PoolScan() : disk(3 << 20) {
    PutPartitionHeader(disk, 0, 0, 3 << 11);
    disk.Put(kBase, "SPB5");
    PutVolume(disk, PutLooseBlock(disk, kBase + 4096, 0), u"VOL1", 61, 7);
    std::size_t h = PutLooseBlock(disk, kBase + 8192, 7);
    h += PutEntryRecord(disk, h, 100, volume::kTopDirectoryKey, u"DOCS");
    PutEntryRecord(disk, h, 101, 100, u"a.txt", 10, 30);
    PutEntryRecord(disk, PutLooseBlock(disk, 1048064, 7), 102, 100, u"edge.txt", 20,
                   31);  // last position of a window
    disk.Put(2 << 20, "SPB5");
  }

  PoolScanResult Scan(std::shared_ptr<disk::ByteSource> source = nullptr,
                      app::ProgressObserver* observer = nullptr, std::stop_token stop = {}) {
    const disk::DiskReader reader(source ? source
                                         : std::make_shared<disk::MemorySource>(disk.data()));
    app::NoProgress quiet;
    return ScanPool(PoolImage(reader, u"Pool", "pool.img"), tree, observer ? *observer : quiet,
                    stop, app::LogReport(logPath.string()));
  }

  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    volume::ForEachEntry(tree,
                         [&](const volume::TreeEntry& entry) { paths.push_back(entry.path); });
    return paths;
  }

  std::string Log() const { return test::ReadFileText(logPath); }

  Bytes disk;
  volume::FileTree tree = NewPoolTree();
  test::ScratchFolder folder{"pool"};
  std::filesystem::path logPath = folder / "log.txt";
};

TEST_F(PoolScan, FindsEveryTreeBlockAndTheFirstSuperBlock) {
  const PoolScanResult result = Scan();
  EXPECT_EQ(result.outcome, volume::ScanOutcome::Completed);
  EXPECT_EQ(result.superBlockOffset, kBase);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/VOL1", "/VOL1/DOCS", "/VOL1/DOCS/a.txt",
                                               "/VOL1/DOCS/edge.txt"}));
  EXPECT_TRUE(tree.Folder(tree.Folder(tree.Top()).firstChild).deletedVolume)
      << "no directory lists it";
  EXPECT_NE(Log().find("\nStarted Scanning Pool\nSuccessfully scanned pool "), std::string::npos);
  EXPECT_NE(Log().find("Total:  30.00 Bytes Folder(s): 1  File(s): 2"), std::string::npos);
}

TEST_F(PoolScan, AWindowWithABadSectorIsReadAroundIt) {
  const std::set<std::uint64_t> bad{(kBase + 3 * 4096) /
                                    512};  // in the first window, in no tree block
  EXPECT_EQ(Scan(std::make_shared<disk::FaultyMemorySource>(disk.data(), bad)).superBlockOffset,
            kBase);
  EXPECT_EQ(Paths().size(), 4u);
}

TEST_F(PoolScan, AnEmptyFirstSlotIsSteppedPast) {
  const std::size_t area = PutLooseBlock(disk, kBase + 5 * 4096, 7);
  disk.PutU32(area + 0x5C, 1);  // length 0, no "ND", yet a start block: decoded to itself
  PutEntryRecord(disk, area + 0x10, 104, 100, u"b.txt", 8, 33);
  Scan();
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/VOL1", "/VOL1/DOCS", "/VOL1/DOCS/a.txt",
                                               "/VOL1/DOCS/b.txt", "/VOL1/DOCS/edge.txt"}));
}

// Every read of the scan fails in turn: it still ends, finds nothing that is not there, and
// whatever it misses, the log says how many sectors it could not read.
TEST_F(PoolScan, AFailedReadAnywhereIsNamedAndFindsNothingFalse) {
  std::vector<std::string> everything;
  ForEveryFailingRead(disk.data(), [&](std::shared_ptr<FailingReadSource> source, std::uint64_t k) {
    tree = NewPoolTree();
    std::filesystem::remove(logPath);
    const PoolScanResult result = Scan(source);
    EXPECT_EQ(result.outcome, volume::ScanOutcome::Completed);
    if (k == 0) {
      everything = Paths();
      ASSERT_EQ(everything.size(), 4u);
      EXPECT_EQ(result.zeroedSectors, 0u);
      return;
    }
    for (const std::string& path : Paths())
      EXPECT_NE(std::find(everything.begin(), everything.end(), path), everything.end()) << path;
    if (Paths() != everything || result.superBlockOffset != kBase) {
      EXPECT_GT(result.zeroedSectors, 0u);
      EXPECT_NE(Log().find("sectors could not be read: what they hold is missing"),
                std::string::npos);
    }
  });
}

// Without any "SPB5" the files are read from where the super block belongs, and the log says so.
TEST_F(PoolScan, APoolWithoutSuperBlockReadsFromHeaderPlus0x5000AndSaysSo) {
  disk.Put(kBase, "XXXX").Put(2 << 20, "XXXX");
  const PoolScanResult result = Scan();
  EXPECT_EQ(result.superBlockOffset, std::nullopt);
  EXPECT_EQ(result.dataBase, 20480);
  EXPECT_EQ(Paths().size(), 4u);
  EXPECT_NE(Log().find("\nNo pool super block (\"SPB5\") was found: the files are read from "
                       "byte 20480, 0x5000 after the partition header"),
            std::string::npos);
}

// Keys are per volume: an entry met before its volume's record is placed in that volume, not in
// the first folder of the same key in another volume.
TEST_F(PoolScan, AnEntryMetBeforeItsVolumeIsPlacedWithinIt) {
  PutEntryRecord(disk, PutLooseBlock(disk, kBase + 3 * 4096, 9), 200, 100, u"x.txt", 4, 34);
  PutVolume(disk, PutLooseBlock(disk, kBase + 4 * 4096, 0), u"VOL2", 62, 9);
  PutEntryRecord(disk, PutLooseBlock(disk, kBase + 5 * 4096, 9), 100, volume::kTopDirectoryKey,
                 u"PAPERS");
  Scan();
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/VOL1", "/VOL1/DOCS", "/VOL1/DOCS/a.txt",
                                               "/VOL1/DOCS/edge.txt", "/VOL2", "/VOL2/PAPERS",
                                               "/VOL2/PAPERS/x.txt"}));
}

class StopAtFirstWindow : public app::ProgressObserver {
 public:
  void OnProgress(const app::Progress&) override { stop.request_stop(); }
  std::stop_source stop;
};

TEST_F(PoolScan, AStopKeepsWhatWasFoundAndLogsTheAbort) {
  disk.Put(2 * 1048576 + 4096, "LEAF");  // in the third window: never reached
  StopAtFirstWindow observer;
  EXPECT_EQ(Scan(nullptr, &observer, observer.stop.get_token()).outcome,
            volume::ScanOutcome::Stopped);
  EXPECT_EQ(Paths().size(), 4u);
  EXPECT_NE(Log().find("\nPool scanning aborted"), std::string::npos);
  EXPECT_EQ(Log().find("Successfully"), std::string::npos);
}

// A pool of the first megabyte whose group header chains further segments. Crafted ones name the
// same pool and overlap, claim more sectors than 64 bits of bytes can hold, or lie past the disk.
class FurtherSegments : public PoolScan {
 protected:
  static constexpr std::uint32_t kSegment = 4096;  // sector of the one sound segment, at 2 MiB

  void PutGroupHeader(std::uint32_t sector, std::uint32_t link, std::uint64_t sectors) {
    const std::size_t at = std::size_t{sector} * 512;
    disk.Put(at, std::string_view("\0GrOuPPaRtItIoN\0", 16)).PutU32(at + 0xBC, link);
    disk.PutU64(at + 29 * 512 + 0x20, sectors).PutUtf16(at + 29 * 512 + 0x28, u"P");
  }

  PoolScanResult ScanOnDisk() {
    const disk::DiskReader reader(std::make_shared<disk::MemorySource>(disk.data()));
    app::NoProgress quiet;
    const PoolScanSource source{reader, 0, 1 << 20, true, u"P", "disk.img"};
    return ScanPool(source, tree, quiet, {}, app::LogReport(logPath.string()));
  }
};

TEST_F(FurtherSegments, EachPartOfTheDiskIsScannedOnceAndOnlyInsideTheDisk) {
  disk.PutUtf16(0x3A00 + 0x28, u"P");
  disk.Put(5 * 512, std::string_view("\0GrOuPPaRtItIoN\0", 16))
      .PutU32(5 * 512 + 0xBC, kSegment + 5);
  const std::size_t area = PutLooseBlock(disk, std::size_t{kSegment} * 512 + 0x8000, 7);
  PutEntryRecord(disk, area, 103, 100, u"far.txt", 5, 32);
  PutGroupHeader(kSegment + 5, kSegment + 6, 2048);        // the sound segment: 1 MiB
  PutGroupHeader(kSegment + 6, kSegment + 7, 4096);        // overlaps it
  PutGroupHeader(kSegment + 7, kSegment + 8, 1ull << 62);  // sectors × 512 overflows
  PutGroupHeader(kSegment + 8, 0x7FFFFFFF, 4096);          // links past the disk
  const PoolScanResult result = ScanOnDisk();
  EXPECT_EQ(result.outcome, volume::ScanOutcome::Completed);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/VOL1", "/VOL1/DOCS", "/VOL1/DOCS/a.txt",
                                               "/VOL1/DOCS/edge.txt", "/VOL1/DOCS/far.txt"}));
}

TEST(RealSuperBlockSample, ThePoolScanRecordsItsSuperBlockAndEndsCleanly) {
  const auto sample = test::RealSuperBlockSample();
  if (!sample)
    GTEST_SKIP() << "SKIPPED: the real sample superblock-sample.img.xz is not on this machine";
  const disk::DiskReader reader(std::make_shared<disk::MemorySource>(*sample));
  volume::FileTree tree = NewPoolTree();
  app::NoProgress quiet;
  const PoolScanResult result = ScanPool(PoolImage(reader, u"Pool", "pool.img"), tree, quiet, {},
                                         app::LogReport("/dev/null"));
  EXPECT_EQ(result.outcome, volume::ScanOutcome::Completed);
  EXPECT_EQ(result.superBlockOffset, 4096);
  EXPECT_EQ(tree.FolderItemCount(), 1u);
}

}  // namespace
}  // namespace kestrel::pool
