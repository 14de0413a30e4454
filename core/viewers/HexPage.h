// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "disk/DiskReader.h"
#include "volume/FileData.h"

// The hex viewer's page: offsets, hexadecimal bytes and characters, 16 bytes a line and 256 a
// page, 64-bit throughout. Bytes that cannot be read are shown as unreadable, never as zeros or
// as the bytes of another page.
namespace kestrel::viewers {

inline constexpr std::uint64_t kHexPageBytes = 256;
inline constexpr std::size_t kHexLineBytes = 16;
inline constexpr char kUnreadableCell[] = "??";
inline constexpr char kUnreadableCharacter = '?';

struct HexLine {
  std::uint64_t offset = 0;        // of its first byte in the file
  std::string offsetText;          // upper-case hexadecimal, zero-padded to the column's digits
  std::vector<std::string> cells;  // "0A", or "??"; fewer than 16 on the file's last line
  std::string characters;          // 0x20-0x7E as themselves, other bytes ".", unreadable "?"

  bool operator==(const HexLine&) const = default;
};

// Where each piece of a line starts, in characters of a fixed-width font.
struct HexColumns {
  int offsetDigits = 10;

  int Cell(std::size_t index) const;  // an extra space before the 9th byte
  int Characters() const;
  int Width() const;
};

// The offset column holds 10 digits, or as many as the file's last offset needs.
HexColumns HexColumnsFor(std::uint64_t fileSize);

// The lines of `bytes`, which start at `offset` in the file; `unreadable` lists runs by file
// offset, in order.
std::vector<HexLine> FormatHexLines(std::uint64_t offset, std::span<const std::uint8_t> bytes,
                                    std::span<const volume::FileByteRun> unreadable,
                                    const HexColumns& columns);

// The column heads ("Offset", "0" to "F", "ANSI TEXT") and a line, as text in those columns.
std::string HexHeaderText(const HexColumns& columns);
std::string HexLineText(const HexLine& line, const HexColumns& columns);

struct HexPage {
  std::uint64_t index = 0;
  std::vector<HexLine> lines;  // empty past the end of the file
  std::uint64_t unreadableBytes = 0;
};

// ceil(size / 256); an empty file has one empty page.
std::uint64_t HexPageCount(std::uint64_t fileSize);

// Reads exactly the page's own bytes (fewer on the last page) through the file's extents.
HexPage ReadHexPage(const disk::DiskReader& source, const volume::FileDataLayout& layout,
                    std::uint64_t index);

}  // namespace kestrel::viewers
