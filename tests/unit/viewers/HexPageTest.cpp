// SPDX-License-Identifier: Apache-2.0
// The hex viewer's pages: the line format, the last partial page, unreadable bytes that are never
// shown as other bytes, offsets past 4 GiB on a sparse image, and the pages on the scroll bar.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <numeric>

#include "disk/MemorySource.h"
#include "support/Files.h"
#include "viewers/HexPage.h"
#include "viewers/HexScroll.h"
#include "viewers/PreviewRead.h"
#include "volume/VolumeScanner.h"

namespace kestrel::viewers {
namespace {

constexpr std::uint64_t kBlock = 4096;

struct OneFile {
  volume::FileTree tree = volume::NewVolumeTree(u"V");
  volume::FileDataLayout layout;

  OneFile(std::uint64_t size, volume::Extent first, std::vector<volume::Extent> further = {}) {
    tree.InsertScanItem({u"f.bin", 9, size, volume::kTopDirectoryKey, first, std::move(further)});
    layout = volume::LayoutFileData(tree, tree.Record(tree.Folder(tree.Top()).record).m_next, 0);
  }
};

std::vector<std::uint8_t> Counting(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

TEST(HexLines, OffsetsBytesAndCharactersInTheirColumns) {
  const std::vector<std::uint8_t> bytes = {'H',  'i', 0x0A, 0x00, 0x05, 0x7F, 0x20, '~', 0x80,
                                           0xFF, 'a', 'b',  'c',  'd',  'e',  'f',  'Z'};
  const HexColumns columns = HexColumnsFor(17);
  const auto lines = FormatHexLines(0xF00, bytes, {}, columns);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].offsetText, "0000000F00");
  EXPECT_EQ(lines[0].characters, "Hi.... ~..abcdef");
  EXPECT_EQ(lines[0].cells[2], "0A");
  EXPECT_EQ(lines[0].cells[4], "05");
  EXPECT_EQ(HexHeaderText(columns),
            "Offset       0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F  ANSI TEXT");
  EXPECT_EQ(HexLineText(lines[0], columns),
            "0000000F00  48 69 0A 00 05 7F 20 7E  80 FF 61 62 63 64 65 66  Hi.... ~..abcdef");
  // The last line of a file keeps the character column where it is.
  EXPECT_EQ(lines[1].offset, 0xF10u);
  EXPECT_EQ(HexLineText(lines[1], columns),
            "0000000F10  5A                                                Z");
}

TEST(HexLines, UnreadableBytesShowAsQuestionMarks) {
  const std::vector<std::uint8_t> bytes(32, 'x');
  const std::vector<volume::FileByteRun> runs = {{100, 2}, {114, 4}};
  const auto lines = FormatHexLines(98, bytes, runs, HexColumnsFor(1000));
  EXPECT_EQ(lines[0].characters, "xx??xxxxxxxxxxxx");
  EXPECT_EQ(lines[0].cells[2], "??");
  EXPECT_EQ(lines[1].characters, "????xxxxxxxxxxxx");
  EXPECT_EQ(lines[0].cells[15], "78");
}

TEST(HexPages, TheFirstAndTheLastPartialPageOfAFileAcrossExtents) {
  // 5000 bytes in blocks 3 and 7: page 16 starts the second extent.
  std::vector<std::uint8_t> disk(10 * kBlock);
  for (std::size_t i = 0; i < disk.size(); ++i) disk[i] = static_cast<std::uint8_t>(i / kBlock);
  const OneFile file(5000, {1, 3}, {{2, 7}});
  const disk::DiskReader source(std::make_shared<disk::MemorySource>(disk));
  EXPECT_EQ(HexPageCount(5000), 20u);
  const HexPage first = ReadHexPage(source, file.layout, 0);
  ASSERT_EQ(first.lines.size(), 16u);
  EXPECT_EQ(first.lines[0].cells[0], "02");
  EXPECT_EQ(first.lines[15].offsetText, "00000000F0");
  EXPECT_EQ(ReadHexPage(source, file.layout, 15).lines[15].cells[15], "02");
  EXPECT_EQ(ReadHexPage(source, file.layout, 16).lines[0].cells[0], "06");
  const HexPage last = ReadHexPage(source, file.layout, 19);
  ASSERT_EQ(last.lines.size(), 9u);  // 5000 - 19 * 256 = 136 bytes
  EXPECT_EQ(last.lines[8].cells.size(), 8u);
  EXPECT_EQ(last.lines[8].offsetText, "0000001380");
  EXPECT_EQ(last.unreadableBytes, 0u);
  EXPECT_TRUE(ReadHexPage(source, file.layout, 20).lines.empty());
}

TEST(HexPages, APageReadsOnlyItsOwnBytesAndABadSectorNeverShowsOtherBytes) {
  // The file fills blocks 1-2; the sector after the first page's 256 bytes is bad.
  const disk::DiskReader source(
      std::make_shared<disk::FaultyMemorySource>(Counting(2 * kBlock), std::set<std::uint64_t>{1}));
  const OneFile file(2 * kBlock, {2, 1});
  const HexPage good = ReadHexPage(source, file.layout, 0);
  EXPECT_EQ(good.unreadableBytes, 0u);
  EXPECT_EQ(good.lines[15].cells[15], "FF");
  // The next pages lie in the bad sector: every byte "??", none left over from page 0.
  const HexPage bad = ReadHexPage(source, file.layout, 2);
  EXPECT_EQ(bad.unreadableBytes, kHexPageBytes);
  for (const HexLine& line : bad.lines) EXPECT_EQ(line.characters, std::string(16, '?'));
}

TEST(HexPages, OffsetsPast4GiBOnASparseImage) {
  // A 5 GiB sparse image with one written sector at 4 GiB + 4 KiB; the file is the whole image.
  const test::ScratchFolder scratch("hexpage");
  const std::string path = scratch / "sparse.img";
  const std::uint64_t size = 5ull << 30;
  {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    const char text[] = "past four GiB";
    ASSERT_EQ(::pwrite(fd, text, sizeof text - 1, static_cast<off_t>((4ull << 30) + kBlock)),
              static_cast<ssize_t>(sizeof text - 1));
    ::close(fd);
  }
  const disk::OpenedSource opened = disk::OpenSource(path);
  ASSERT_TRUE(opened.status.ok()) << opened.status.message;
  OneFile file(size, {static_cast<std::uint32_t>(size / kBlock), 1});
  ASSERT_EQ(file.layout.size, size);
  // Exactly 4 GiB was length 0 in 32 bits; in 64 it is 16 Mi pages.
  EXPECT_EQ(HexPageCount(4ull << 30), 1ull << 24);
  const std::uint64_t page = ((4ull << 30) + kBlock) / kHexPageBytes;
  const HexPage shown = ReadHexPage(opened.reader, file.layout, page);
  ASSERT_EQ(shown.lines.size(), 16u);
  EXPECT_EQ(shown.lines[0].offsetText, "0100001000");
  EXPECT_EQ(shown.lines[0].characters, "past four GiB...");
  const HexPage last = ReadHexPage(opened.reader, file.layout, HexPageCount(size) - 1);
  EXPECT_EQ(last.lines[15].offsetText, "013FFFFFF0");
}

TEST(HexPages, TheOffsetColumnWidensPast40Bits) {
  EXPECT_EQ(HexColumnsFor(1ull << 40).offsetDigits, 10);
  EXPECT_EQ(HexColumnsFor((1ull << 40) + 1).offsetDigits, 11);
  EXPECT_EQ(HexColumnsFor(~0ull).offsetDigits, 16);
  const auto lines =
      FormatHexLines(~0ull - 15, std::vector<std::uint8_t>(16), {}, HexColumnsFor(~0ull));
  EXPECT_EQ(lines[0].offsetText, "FFFFFFFFFFFFFFF0");
}

TEST(HexScroll, OnePositionAPageWhileTheyFitInAnInt) {
  const HexScroll scroll(16);
  EXPECT_EQ(scroll.Maximum(), 15);
  EXPECT_EQ(scroll.PositionOf(15), 15);
  EXPECT_EQ(scroll.PageAt(7), 7u);
  EXPECT_EQ(HexScroll(1).Maximum(), 0);
  EXPECT_EQ(HexScroll(0).Maximum(), 0);
}

TEST(HexScroll, MorePagesThanPositionsSpreadWithBothEndsReachable) {
  const std::uint64_t pages = 1ull << 56;  // a 16 EiB file
  const HexScroll scroll(pages);
  EXPECT_EQ(scroll.Maximum(), INT_MAX);
  EXPECT_EQ(scroll.PageAt(0), 0u);
  EXPECT_EQ(scroll.PageAt(INT_MAX), pages - 1);
  EXPECT_EQ(scroll.PositionOf(pages - 1), INT_MAX);
  EXPECT_EQ(scroll.PositionOf(scroll.PageAt(12345)), 12345);
  EXPECT_LT(scroll.PageAt(1000), scroll.PageAt(1001));
  // A small bar shows the same.
  const HexScroll small(1000, 10);
  EXPECT_EQ(small.PageAt(10), 999u);
  EXPECT_EQ(small.PositionOf(500), 5);
  EXPECT_EQ(small.PageAt(-3), 0u);
}

TEST(ReadForPreview, ReadsTheFileHeadAndStopsWhenAsked) {
  const disk::DiskReader source(std::make_shared<disk::MemorySource>(Counting(3 << 20)));
  const OneFile file(3 << 20, {3 << 8, 1});
  std::vector<std::uint8_t> buffer(2 << 20);
  const PreviewRead read = ReadForPreview(source, file.layout, buffer, {});
  EXPECT_EQ(read.bytes, buffer.size());
  EXPECT_FALSE(read.stopped);
  EXPECT_EQ(buffer.back(), 0xFF);
  std::stop_source stop;
  stop.request_stop();
  const PreviewRead stopped = ReadForPreview(source, file.layout, buffer, stop.get_token());
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.bytes, 0u);
}

}  // namespace
}  // namespace kestrel::viewers
