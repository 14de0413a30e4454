// SPDX-License-Identifier: Apache-2.0
// Where a file's bytes lie and how they are copied: running totals of the extents, the cut to
// the file's size, coalesced reads, and unreadable blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "disk/MemorySource.h"
#include "volume/FileData.h"
#include "volume/VolumeScanner.h"
#include "volume/WritingLanes.h"

namespace kestrel::volume {
namespace {

constexpr std::int64_t kBase = 0x5000;
constexpr std::uint64_t kBlock = 4096;

RecordId AddFile(FileTree& tree, std::uint64_t size, Extent first,
                 std::vector<Extent> further = {}) {
  tree.InsertScanItem({u"f.bin", 9, size, kTopDirectoryKey, first, std::move(further)});
  return tree.Record(tree.Folder(tree.Top()).record).m_next;
}

std::uint8_t ByteAt(std::uint64_t offset) {
  return static_cast<std::uint8_t>(offset * 7 + offset / 4096);
}

// Where pool block n (counted from 1) starts on the disk.
std::uint64_t Where(std::uint64_t block) {
  return kBase + (block - 1) * kBlock;
}

std::vector<std::uint8_t> Disk(std::size_t blocks) {
  std::vector<std::uint8_t> bytes(kBase + blocks * kBlock);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = ByteAt(i);
  return bytes;
}

// Collects what is written.
class Collected : public platform::WritableFile {
 public:
  bool Write(std::span<const std::uint8_t> bytes) override {
    data.insert(data.end(), bytes.begin(), bytes.end());
    return true;
  }
  bool Close() override { return true; }
  const std::string& error() const override { return error_; }
  std::vector<std::uint8_t> data;

 private:
  std::string error_;
};

// Counts the read requests that reach the source.
class CountingSource : public disk::MemorySource {
 public:
  using MemorySource::MemorySource;
  std::optional<std::size_t> ReadSome(std::int64_t offset,
                                      std::span<std::uint8_t> buffer) override {
    reads++;
    return MemorySource::ReadSome(offset, buffer);
  }
  int reads = 0;
};

TEST(FileDataLayout, FurtherExtentsGrowTheRunningTotalAndTheFileIsCutToItsSize) {
  FileTree tree = NewVolumeTree(u"V");
  const RecordId head = AddFile(tree, 9 * kBlock - 100, {2, 10}, {{5, 20}, {9, 40}});
  const FileDataLayout layout = LayoutFileData(tree, head, kBase);
  ASSERT_EQ(layout.ranges.size(), 3u);
  EXPECT_EQ(layout.ranges[0].offset, kBase + 9 * 4096);
  EXPECT_EQ(layout.ranges[0].length, 2 * kBlock);
  EXPECT_EQ(layout.ranges[1].length, 3 * kBlock);
  EXPECT_EQ(layout.ranges[2].offset, kBase + 39 * 4096);
  EXPECT_EQ(layout.ranges[2].length, 4 * kBlock - 100);
  EXPECT_FALSE(layout.ExtentsShort());
  EXPECT_FALSE(layout.inconsistentExtents);
}

TEST(FileDataLayout, TenBytesInABlockAndBlockOneIsThePoolBase) {
  FileTree tree = NewVolumeTree(u"V");
  const FileDataLayout layout = LayoutFileData(tree, AddFile(tree, 10, {1, 1}), kBase);
  ASSERT_EQ(layout.ranges.size(), 1u);
  EXPECT_EQ(layout.ranges[0].offset, kBase);
  EXPECT_EQ(layout.ranges[0].length, 10u);
}

TEST(FileDataLayout, WithoutTheHighSizeBitsTheLargestFittingSizeIsTaken) {
  FileTree tree = NewVolumeTree(u"V");
  const RecordId head = AddFile(tree, (1ull << 32) + 100, {(1u << 20) + 1, 2});
  tree.Record(head).m_sizeHigh = 0;
  tree.Record(head).m_sizeHighKnown = false;  // as a scan information file holds it
  EXPECT_EQ(LayoutFileData(tree, head, kBase).size, (1ull << 32) + 100);
  tree.Record(head).m_extentBlocks = 1;
  EXPECT_EQ(LayoutFileData(tree, head, kBase).size, 100u);
}

TEST(FileDataLayout, ShortOrShrinkingExtentsAreNoticed) {
  FileTree tree = NewVolumeTree(u"V");
  EXPECT_TRUE(LayoutFileData(tree, AddFile(tree, 3 * kBlock, {1, 5}), kBase).ExtentsShort());
  FileTree shrinking = NewVolumeTree(u"V");
  const FileDataLayout layout =
      LayoutFileData(shrinking, AddFile(shrinking, kBlock, {4, 5}, {{2, 30}}), kBase);
  EXPECT_TRUE(layout.inconsistentExtents);
  EXPECT_EQ(layout.ranges.size(), 1u);
}

TEST(CopyFileData, ContiguousBlocksAreReadInRequestsOfUpTo1MiB) {
  FileTree tree = NewVolumeTree(u"V");
  const RecordId head = AddFile(tree, 300 * kBlock, {300, 2});
  auto source = std::make_shared<CountingSource>(Disk(310));
  Collected output;
  const CopyOutcome outcome =
      CopyFileData(disk::DiskReader(source), LayoutFileData(tree, head, kBase), output,
                   [](std::uint64_t) { return true; });
  EXPECT_EQ(source->reads, 2);
  EXPECT_EQ(outcome.bytesWritten, 300 * kBlock);
  EXPECT_EQ(output.data.front(), ByteAt(kBase + kBlock));
  EXPECT_EQ(output.data.back(), ByteAt(kBase + 301 * kBlock - 1));
}

TEST(CopyFileData, AnUnreadableBlockIsWrittenAsZeros) {
  FileTree tree = NewVolumeTree(u"V");
  const RecordId head = AddFile(tree, 3 * kBlock, {3, 2});
  const std::uint64_t badSector = (kBase + 2 * kBlock) / 512 + 3;  // inside the file's second block
  const disk::DiskReader source(
      std::make_shared<disk::FaultyMemorySource>(Disk(10), std::set{badSector}));
  Collected output;
  const CopyOutcome outcome = CopyFileData(source, LayoutFileData(tree, head, kBase), output,
                                           [](std::uint64_t) { return true; });
  EXPECT_EQ(outcome.unreadableBlocks, 1u);
  ASSERT_EQ(output.data.size(), 3 * kBlock);
  EXPECT_EQ(output.data[kBlock - 1], ByteAt(kBase + 2 * kBlock - 1));
  EXPECT_TRUE(std::all_of(output.data.begin() + kBlock, output.data.begin() + 2 * kBlock,
                          [](auto b) { return b == 0; }));
  EXPECT_EQ(output.data[2 * kBlock], ByteAt(kBase + 3 * kBlock));
}

// What an output was given, kept by the test: a lane lets go of the output once it is closed.
struct Received {
  std::vector<std::uint8_t> data;
  bool previousChanged = false;
};

// An output that goes on using each write's bytes until the next write returns, as an upload
// does: every write checks that the bytes of the one before are still as they were written.
class Lingering : public platform::WritableFile {
 public:
  explicit Lingering(Received& received, int failingWrite = 0, bool closes = true)
      : received_(received), failingWrite_(failingWrite), closes_(closes) {}
  bool Write(std::span<const std::uint8_t> bytes) override {
    if (++writes_ == failingWrite_) return false;
    received_.data.insert(received_.data.end(), bytes.begin(), bytes.end());
    if (!std::ranges::equal(previous_, kept_)) received_.previousChanged = true;
    previous_ = bytes;
    kept_.assign(bytes.begin(), bytes.end());
    return true;
  }
  bool Close() override { return closes_; }
  const std::string& error() const override { return error_; }

 private:
  Received& received_;
  int failingWrite_;
  bool closes_;
  int writes_ = 0;
  std::span<const std::uint8_t> previous_;
  std::vector<std::uint8_t> kept_;
  std::string error_ = "refused";
};

constexpr auto kGoOn = [](std::uint64_t) { return true; };

struct LaneCopy {
  CopyOutcome copied;  // as the reading side saw it
  std::shared_ptr<WritingLanes::File> file;
};

LaneCopy CopyToLane(WritingLanes& lanes, const disk::DiskReader& source,
                    const FileDataLayout& layout, std::unique_ptr<platform::WritableFile> output,
                    const std::function<bool(std::uint64_t)>& between = kGoOn) {
  LaneCopy copy{{}, lanes.Begin(std::move(output))};
  copy.copied = CopyFileData(source, layout, *copy.file, between, lanes);
  copy.file->Close();
  return copy;
}

TEST(WritingLanes, FilesWrittenAtOnceGetWhatAPlainCopyWritesAndEachWritesBytesStayUntilTheNext) {
  FileTree tree = NewVolumeTree(u"V");
  const FileDataLayout layout =
      LayoutFileData(tree, AddFile(tree, 700 * kBlock - 5, {700, 2}), kBase);
  const std::uint64_t badSector = Where(2 + 600) / 512 + 1;  // in the third piece
  const disk::DiskReader source(
      std::make_shared<disk::FaultyMemorySource>(Disk(710), std::set{badSector}));
  Collected plain;
  CopyFileData(source, layout, plain, kGoOn);
  WritingLanes lanes(2);
  std::vector<Received> received(6);  // more pieces than the lanes have buffers
  std::vector<LaneCopy> copies;
  for (Received& into : received)
    copies.push_back(CopyToLane(lanes, source, layout, std::make_unique<Lingering>(into)));
  for (std::size_t i = 0; i < copies.size(); ++i) {
    EXPECT_EQ(copies[i].copied.unreadableBlocks, 1u);
    const LaneOutcome outcome = lanes.Finish(*copies[i].file);
    EXPECT_EQ(outcome.bytesWritten, layout.size);
    EXPECT_TRUE(outcome.stored);
    EXPECT_TRUE(received[i].data == plain.data);
    EXPECT_FALSE(received[i].previousChanged);
  }
}

TEST(WritingLanes, ARefusedWriteOrAStopEndsOneFileAndTheFilesAfterItAreWrittenWhole) {
  FileTree tree = NewVolumeTree(u"V");
  const FileDataLayout layout = LayoutFileData(tree, AddFile(tree, 700 * kBlock, {700, 2}), kBase);
  const disk::DiskReader source(std::make_shared<disk::MemorySource>(Disk(710)));
  WritingLanes lanes(1);
  Received refused, stopped, unstored;
  const LaneOutcome failed = lanes.Finish(
      *CopyToLane(lanes, source, layout, std::make_unique<Lingering>(refused, 2)).file);
  EXPECT_EQ(failed.writeError, "refused");
  EXPECT_EQ(failed.bytesWritten, kCopyPieceSize);
  const LaneCopy stop = CopyToLane(lanes, source, layout, std::make_unique<Lingering>(stopped),
                                   [](std::uint64_t written) { return written == 0; });
  EXPECT_TRUE(stop.copied.stopped);
  EXPECT_EQ(lanes.Finish(*stop.file).bytesWritten, kCopyPieceSize);
  const LaneOutcome notStored = lanes.Finish(
      *CopyToLane(lanes, source, layout, std::make_unique<Lingering>(unstored, 0, false)).file);
  EXPECT_FALSE(notStored.stored);
  EXPECT_EQ(notStored.closeError, "refused");
  // Every buffer came back: the files after these go through the lanes' few buffers whole.
  for (int round = 0; round < 3; ++round) {
    Received whole;
    const LaneCopy copy = CopyToLane(lanes, source, layout, std::make_unique<Lingering>(whole));
    EXPECT_EQ(lanes.Finish(*copy.file).bytesWritten, 700 * kBlock);
    EXPECT_EQ(whole.data.front(), ByteAt(Where(2)));
    EXPECT_EQ(whole.data.back(), ByteAt(Where(702) - 1));
  }
}

TEST(ReadFileRange, ARangeAcrossThreeExtentsListsTheBadBlockInTheMiddleAndNothingElse) {
  FileTree tree = NewVolumeTree(u"V");
  // Extents: blocks 10-11, 20-22, 40-43; the file ends 100 bytes before the last block's end.
  const RecordId head = AddFile(tree, 9 * kBlock - 100, {2, 10}, {{5, 20}, {9, 40}});
  const std::uint64_t badSector = Where(21) / 512 + 1;  // the file's 4th block
  const disk::DiskReader source(
      std::make_shared<disk::FaultyMemorySource>(Disk(50), std::set{badSector}));
  const FileDataLayout layout = LayoutFileData(tree, head, kBase);

  // From inside the first extent to past the end: cut to the size, one block unreadable.
  std::vector<std::uint8_t> bytes(10 * kBlock, 0xEE);
  const RangeReadOutcome outcome = ReadFileRange(source, layout, 100, bytes);
  EXPECT_EQ(outcome.bytes, 9 * kBlock - 200);
  EXPECT_EQ(outcome.unreadableBlocks, 1u);
  EXPECT_EQ(outcome.unreadable, (std::vector<FileByteRun>{{3 * kBlock, kBlock}}));
  EXPECT_EQ(bytes[0], ByteAt(Where(10) + 100));
  EXPECT_EQ(bytes[2 * kBlock - 100], ByteAt(Where(20)));
  EXPECT_EQ(bytes[3 * kBlock - 101], ByteAt(Where(21) - 1));
  EXPECT_EQ(bytes[3 * kBlock - 100], 0);
  EXPECT_EQ(bytes[4 * kBlock - 101], 0);
  EXPECT_EQ(bytes[4 * kBlock - 100], ByteAt(Where(22)));
  EXPECT_EQ(bytes[9 * kBlock - 201], ByteAt(Where(44) - 101));

  // A piece of the bad sector alone, and a range that starts at or past the end.
  std::vector<std::uint8_t> piece(10, 0xEE);
  EXPECT_EQ(ReadFileRange(source, layout, 3 * kBlock + 600, piece).unreadable,
            (std::vector<FileByteRun>{{3 * kBlock + 600, 10}}));
  EXPECT_EQ(piece, std::vector<std::uint8_t>(10, 0));
  EXPECT_EQ(ReadFileRange(source, layout, 9 * kBlock - 100, piece).bytes, 0u);
}

TEST(ReadFileRange, BytesPastWhatTheExtentsHoldAreUnreadableZeros) {
  FileTree tree = NewVolumeTree(u"V");
  const FileDataLayout layout = LayoutFileData(tree, AddFile(tree, 3 * kBlock, {1, 5}), kBase);
  const disk::DiskReader source(std::make_shared<disk::MemorySource>(Disk(10)));
  std::vector<std::uint8_t> bytes(2 * kBlock, 0xEE);
  const RangeReadOutcome outcome = ReadFileRange(source, layout, kBlock / 2, bytes);
  EXPECT_EQ(outcome.bytes, 2 * kBlock);
  EXPECT_EQ(outcome.unreadable, (std::vector<FileByteRun>{{kBlock, 3 * kBlock / 2}}));
  EXPECT_EQ(bytes[kBlock / 2 - 1], ByteAt(Where(6) - 1));
  EXPECT_TRUE(std::all_of(bytes.begin() + kBlock / 2, bytes.end(), [](auto b) { return b == 0; }));
}

}  // namespace
}  // namespace kestrel::volume
