// SPDX-License-Identifier: Apache-2.0
// The volume scan's block walk over hand-made pools in memory: the chain, its ends, and the
// bounds that keep a damaged block from looping.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "disk/MemorySource.h"
#include "support/FailingRead.h"
#include "support/Files.h"
#include "support/PoolBytes.h"
#include "volume/TreePaths.h"
#include "volume/VolumeScanner.h"

namespace kestrel::volume {
namespace {

using namespace test;

constexpr std::uint64_t kHeader = 8;
const std::int64_t kBase = PoolBaseOf(kHeader);
constexpr std::uint64_t kRoot = 3;

std::size_t PutFolder(Bytes& disk, std::size_t at, std::uint64_t key, std::uint64_t parent,
                      std::u16string_view name) {
  return PutEntryRecord(disk, at, key, parent, name);
}

class VolumeScan : public ::testing::Test {
 protected:
  VolumeScan() {
    PutPartitionHeader(disk, kHeader, 0, 0x1000);
    disk.PutU32(BlockAt(kBase, kRoot) + 0x20, 4);  // the root block names the first leaf block
  }

  ScanOutcome Scan(std::stop_token stop = {}, app::ProgressObserver* observer = nullptr) {
    return ScanFrom(badSectors.empty()
                        ? std::make_shared<disk::MemorySource>(disk.data())
                        : std::make_shared<disk::FaultyMemorySource>(disk.data(), badSectors),
                    stop, observer);
  }

  ScanOutcome ScanFrom(std::shared_ptr<disk::ByteSource> bytes, std::stop_token stop = {},
                       app::ProgressObserver* observer = nullptr) {
    const disk::DiskReader reader(std::move(bytes));
    const VolumeScanSource source{reader, kBase, kRoot, extent, chain, u"VOL1", "memory"};
    app::NoProgress quiet;
    return ScanVolume(source, tree, observer ? *observer : quiet, stop,
                      app::LogReport(logPath.string()));
  }

  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    ForEachEntry(tree, [&](const TreeEntry& entry) { paths.push_back(entry.path); });
    return paths;
  }

  std::string Log() const { return test::ReadFileText(logPath); }

  Bytes disk{BlockAt(kBase, 40)};
  std::set<std::uint64_t> badSectors;
  std::int64_t extent = 0x1000;
  disk::PartitionChain chain{{kHeader, 0}};
  FileTree tree = NewVolumeTree(u"VOL1");
  test::ScratchFolder folder{"scan"};
  std::filesystem::path logPath = folder / "log.txt";
};

TEST_F(VolumeScan, ChainOfTwoBlocksEndsAtNoBlock) {
  std::size_t h = PutTreeBlock(disk, kBase, 4, 6);
  h += PutFolder(disk, h, 10, kTopDirectoryKey, u"A");
  PutFolder(disk, h, 11, kTopDirectoryKey, u"B");
  PutFolder(disk, PutTreeBlock(disk, kBase, 6, kNoBlock), 12, 10, u"C");
  EXPECT_EQ(Scan(), ScanOutcome::Completed);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/A", "/A/C", "/B"}));
  EXPECT_NE(Log().find("\nStarted Scanning VOL1\nVolume scanning completed successfully on "),
            std::string::npos);
  EXPECT_NE(Log().find("\nTotal:  0.00 Bytes Folder(s): 3  File(s): 0"), std::string::npos);
}

TEST_F(VolumeScan, AFirstLeafLinkOfNoBlockEndsAtOnce) {
  disk.PutU32(BlockAt(kBase, kRoot) + 0x20, kNoBlock);
  EXPECT_EQ(Scan(), ScanOutcome::Completed);
  EXPECT_TRUE(Paths().empty());
}

TEST_F(VolumeScan, ABlockThatIsNoTreeBlockEndsEarlyWithoutCompletionLines) {
  PutFolder(disk, PutTreeBlock(disk, kBase, 4, 7), 10, 999, u"ORPHAN");  // block 7 is no tree block
  EXPECT_EQ(Scan(), ScanOutcome::EndedEarly);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/ORPHAN"}))
      << "entries still waiting are placed, not lost";
  EXPECT_EQ(Log().find("completed successfully"), std::string::npos);
}

TEST_F(VolumeScan, ChainsThatLoopBackEnd) {
  PutFolder(disk, PutTreeBlock(disk, kBase, 4, 5), 10, kTopDirectoryKey, u"A");
  PutFolder(disk, PutTreeBlock(disk, kBase, 5, 4), 11, kTopDirectoryKey, u"B");
  EXPECT_EQ(Scan(), ScanOutcome::Completed);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/A", "/B"}));
}

TEST_F(VolumeScan, ARecordOfLengthZeroIsReadOnce) {
  // Layout A (the first record's mark at 0x32) has no zero-length run that would end the block.
  const std::size_t block = BlockAt(kBase, 4);
  disk.Put(block, "LEAF").PutU32(block + 0x18, kNoBlock);
  PutFolder(disk, block + 0x30, 10, kTopDirectoryKey, u"A");
  disk.PutU16(block + 0x30, 0);
  EXPECT_EQ(Scan(), ScanOutcome::Completed);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/A"}));
}

TEST_F(VolumeScan, AnEmptyFirstSlotIsSteppedPastInLayoutB) {
  const std::size_t area = PutTreeBlock(disk, kBase, 4, kNoBlock);
  disk.PutU32(area + 0x5C, 1);  // length 0, no "ND", yet a start block: decoded to itself
  const std::size_t h = 0x10 + PutFolder(disk, area + 0x10, 10, kTopDirectoryKey, u"A");
  PutFolder(disk, area + h, 11, kTopDirectoryKey, u"B");
  EXPECT_EQ(Scan(), ScanOutcome::Completed);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/A", "/B"}));
}

TEST_F(VolumeScan, MissingMarksAreResynchronisedOnTheNextND) {
  std::size_t h = PutTreeBlock(disk, kBase, 4, kNoBlock);
  const std::size_t first = PutFolder(disk, h, 10, kTopDirectoryKey, u"A");
  disk.PutU16(h,
              static_cast<std::uint16_t>(first - 6));  // the length falls short of the next record
  PutFolder(disk, h + first, 11, kTopDirectoryKey, u"B");
  EXPECT_EQ(Scan(), ScanOutcome::Completed);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/A", "/B"}));
}

// 460 records of 8 bytes whose extent lists all run on to one terminator, with one name section
// behind it: each record would list every extent up to the terminator, some 10^5 records from
// one block. A block yields no more than its bytes can hold.
TEST_F(VolumeScan, RecordsSharingTheirBytesYieldNoMoreThanTheBlockHolds) {
  const std::size_t area = PutTreeBlock(disk, kBase, 4, kNoBlock);
  constexpr std::size_t kRecords = 460;
  constexpr std::size_t kFirst = 12;  // no "ND" at block offset 0x32: layout B
  const std::size_t terminator = kFirst + kRecords * 8 + 0x60;
  disk.PutU16(area, kFirst).Put(area + 2, "ND").PutU32(area + 4, 1);
  for (std::size_t h = kFirst; h < terminator; h += 8)
    disk.PutU16(area + h, 8).Put(area + h + 2, "ND").PutU32(area + h + 4, 1);
  const std::size_t t = terminator + 4;
  disk.PutU8(area + t, 1).PutU64(area + t + 7, kTopDirectoryKey);
  disk.PutU16(area + t + 15, 23).PutU8(area + t + 19, 1).PutUtf16(area + t + 21, u"F");
  EXPECT_EQ(Scan(), ScanOutcome::Completed);
  EXPECT_GT(tree.counters.fileCount, 0u);
  EXPECT_LE(tree.RecordCount(), 4096u / 8) << "records stored for one 4 KiB block";
}

// Block 5 cannot be read. It lies inside the partition, so re-mapping finds it again: the rest of
// the chain is never read, and the scan must not claim it completed.
TEST_F(VolumeScan, AnUnreadableLeafBlockEndsTheScanAndSaysSo) {
  chain = {{kHeader, 2000}, {2000, 0}};
  PutFolder(disk, PutTreeBlock(disk, kBase, 4, 5), 10, 999, u"A");
  PutFolder(disk, PutTreeBlock(disk, kBase, 5, kNoBlock), 11, kTopDirectoryKey, u"B");
  badSectors = {BlockAt(kBase, 5) / 512 + 3};
  EXPECT_EQ(Scan(), ScanOutcome::Unreadable);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/A"})) << "entries waiting are placed";
  EXPECT_EQ(Log().find("completed successfully"), std::string::npos);
  EXPECT_NE(Log().find("\nVolume scanning ended early: the block at byte " +
                       std::to_string(BlockAt(kBase, 5)) + " could not be read"),
            std::string::npos);
}

// Every read of the scan fails in turn. Whatever fails, the scan ends; it claims to have completed
// only when it found everything, and otherwise says which block it could not read.
TEST_F(VolumeScan, AFailedReadAnywhereIsNamedAndNeverPassedOffAsComplete) {
  std::size_t h = PutTreeBlock(disk, kBase, 4, 6);
  h += PutFolder(disk, h, 10, kTopDirectoryKey, u"A");
  PutEntryRecord(disk, h, 20, 10, u"a.txt", 5, 30);
  PutFolder(disk, PutTreeBlock(disk, kBase, 6, kNoBlock), 11, 10, u"B");
  std::vector<std::string> everything;
  ForEveryFailingRead(disk.data(), [&](std::shared_ptr<FailingReadSource> source, std::uint64_t k) {
    tree = NewVolumeTree(u"VOL1");
    std::filesystem::remove(logPath);
    const ScanOutcome outcome = ScanFrom(source);
    if (k == 0) {
      everything = Paths();
      ASSERT_EQ(outcome, ScanOutcome::Completed);
      ASSERT_EQ(everything, (std::vector<std::string>{"/A", "/A/a.txt", "/A/B"}));
    } else if (outcome == ScanOutcome::Completed) {
      EXPECT_EQ(Paths(), everything) << "a scan that lost entries claims it completed";
    } else {
      EXPECT_EQ(outcome, ScanOutcome::Unreadable);
      EXPECT_NE(Log().find("could not be read"), std::string::npos);
      EXPECT_EQ(Log().find("completed successfully"), std::string::npos);
    }
  });
}

// Requests a stop as soon as the first leaf block has been walked.
class StopAfterFirstBlock : public app::ProgressObserver {
 public:
  void OnProgress(const app::Progress&) override { stop.request_stop(); }
  std::stop_source stop;
};

TEST_F(VolumeScan, AStopKeepsWhatWasFiledAndLogsTheAbort) {
  PutFolder(disk, PutTreeBlock(disk, kBase, 4, 5), 10, kTopDirectoryKey, u"A");
  PutFolder(disk, PutTreeBlock(disk, kBase, 5, kNoBlock), 11, kTopDirectoryKey, u"B");
  StopAfterFirstBlock observer;
  EXPECT_EQ(Scan(observer.stop.get_token(), &observer), ScanOutcome::Stopped);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/A"}));
  EXPECT_NE(Log().find("\nScan volume process aborted"), std::string::npos);
  EXPECT_EQ(Log().find("completed successfully"), std::string::npos);
}

// The partition of the volume (header at sector 8) ends at sector 408; its header says the pool
// goes on (+0x10) and the next header lies at sector 2000. The second leaf block, block 46, lies
// at sector 408, past the end.
class Remapping : public VolumeScan {
 protected:
  Remapping() {
    extent = 400;
    chain = {{kHeader, 2000}, {2000, 0}};
    disk.PutU32(kHeader * 512 + 0x10, 1);
    disk.PutUtf16(kHeader * 512 + 0x3A00 + 0x28, u"DATA");
    PutFolder(disk, PutTreeBlock(disk, kBase, 4, 46), 10, kTopDirectoryKey, u"A");
  }
};

TEST_F(Remapping, ABlockPastThePartitionOfTheSamePoolIsFound32SectorsOn) {
  const std::size_t moved = 440 * 512;
  disk.Put(moved, "LEAF").PutU32(moved + 0x20, kNoBlock).PutU8(moved + 4095, 0);
  PutFolder(disk, moved + 0x28, 11, kTopDirectoryKey, u"B");
  EXPECT_EQ(Scan(), ScanOutcome::Completed);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/A", "/B"}));
}

TEST_F(Remapping, AChainThatNoPartitionContinuesEndsEarly) {
  disk.PutU32(kHeader * 512 + 0x10,
              0);  // the pool does not go on: the shift jumps past every partition
  EXPECT_EQ(Scan(), ScanOutcome::EndedEarly);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/A"}));
}

}  // namespace
}  // namespace kestrel::volume
