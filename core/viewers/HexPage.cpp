// SPDX-License-Identifier: Apache-2.0
#include "viewers/HexPage.h"

#include <algorithm>
#include <array>

namespace kestrel::viewers {
namespace {

constexpr int kMinimumOffsetDigits = 10;
constexpr int kColumnGap = 2;  // between the offsets, the bytes and the characters
constexpr char kDigits[] = "0123456789ABCDEF";

std::string HexDigits(std::uint64_t value, int digits) {
  std::string text(static_cast<std::size_t>(digits), '0');
  for (auto it = text.rbegin(); it != text.rend() && value != 0; ++it, value >>= 4)
    *it = kDigits[value & 0xF];
  return text;
}

int DigitsOf(std::uint64_t value) {
  int digits = 1;
  while (value >>= 4) ++digits;
  return digits;
}

char Shown(std::uint8_t byte) {
  return byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.';
}

// Whether the byte at `offset` lies in one of the runs; `next` walks them in step with the bytes.
bool Unreadable(std::uint64_t offset, std::span<const volume::FileByteRun> runs,
                std::size_t& next) {
  while (next < runs.size() && runs[next].offset + runs[next].length <= offset) ++next;
  return next < runs.size() && runs[next].offset <= offset;
}

void Place(std::string& text, int column, const std::string& piece) {
  text.replace(static_cast<std::size_t>(column), piece.size(), piece);
}

}  // namespace

int HexColumns::Cell(std::size_t index) const {
  const int first = offsetDigits + kColumnGap;
  return first + static_cast<int>(index) * 3 + (index >= kHexLineBytes / 2 ? 1 : 0);
}

int HexColumns::Characters() const {
  return Cell(kHexLineBytes - 1) + 2 + kColumnGap;
}

int HexColumns::Width() const {
  return Characters() + static_cast<int>(kHexLineBytes);
}

HexColumns HexColumnsFor(std::uint64_t fileSize) {
  const std::uint64_t lastOffset = fileSize == 0 ? 0 : fileSize - 1;
  return {std::max(kMinimumOffsetDigits, DigitsOf(lastOffset))};
}

std::vector<HexLine> FormatHexLines(std::uint64_t offset, std::span<const std::uint8_t> bytes,
                                    std::span<const volume::FileByteRun> unreadable,
                                    const HexColumns& columns) {
  std::vector<HexLine> lines;
  std::size_t nextRun = 0;
  for (std::size_t start = 0; start < bytes.size(); start += kHexLineBytes) {
    HexLine& line = lines.emplace_back();
    line.offset = offset + start;
    line.offsetText = HexDigits(line.offset, columns.offsetDigits);
    const std::size_t end = std::min(bytes.size(), start + kHexLineBytes);
    for (std::size_t i = start; i < end; ++i) {
      const bool bad = Unreadable(offset + i, unreadable, nextRun);
      line.cells.push_back(bad ? kUnreadableCell : HexDigits(bytes[i], 2));
      line.characters += bad ? kUnreadableCharacter : Shown(bytes[i]);
    }
  }
  return lines;
}

std::string HexHeaderText(const HexColumns& columns) {
  std::string text(static_cast<std::size_t>(columns.Characters()), ' ');
  Place(text, 0, "Offset");
  for (std::size_t i = 0; i < kHexLineBytes; ++i) Place(text, columns.Cell(i) + 1, {kDigits[i]});
  return text + "ANSI TEXT";
}

std::string HexLineText(const HexLine& line, const HexColumns& columns) {
  std::string text(static_cast<std::size_t>(columns.Characters()), ' ');
  Place(text, 0, line.offsetText);
  for (std::size_t i = 0; i < line.cells.size(); ++i) Place(text, columns.Cell(i), line.cells[i]);
  return text + line.characters;
}

std::uint64_t HexPageCount(std::uint64_t fileSize) {
  return std::max<std::uint64_t>(1, fileSize / kHexPageBytes + (fileSize % kHexPageBytes != 0));
}

HexPage ReadHexPage(const disk::DiskReader& source, const volume::FileDataLayout& layout,
                    std::uint64_t index) {
  HexPage page{index, {}, 0};
  if (index >= HexPageCount(layout.size)) return page;
  std::array<std::uint8_t, kHexPageBytes> bytes{};
  const std::uint64_t offset = index * kHexPageBytes;
  const volume::RangeReadOutcome read = volume::ReadFileRange(source, layout, offset, bytes);
  for (const auto& run : read.unreadable) page.unreadableBytes += run.length;
  page.lines = FormatHexLines(offset, std::span(bytes).first(read.bytes), read.unreadable,
                              HexColumnsFor(layout.size));
  return page;
}

}  // namespace kestrel::viewers
