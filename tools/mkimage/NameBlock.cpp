// SPDX-License-Identifier: Apache-2.0
#include "NameBlock.h"

#include "NssFormat.h"
#include "Utf16.h"

namespace kestrel::mkimage {
namespace {

using namespace nss::name_block;

std::vector<std::u16string> SplitEvenly(std::u16string_view name, std::size_t count) {
  std::vector<std::u16string> parts;
  std::size_t taken = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t length = name.size() / count + (i < name.size() % count ? 1 : 0);
    parts.emplace_back(name.substr(taken, length));
    taken += length;
  }
  return parts;
}

Result<std::vector<std::u16string>> ConvertParts(std::u16string_view name,
                                                 const std::vector<std::string>& explicitParts) {
  std::vector<std::u16string> parts;
  std::u16string joined;
  for (const std::string& part : explicitParts) {
    Result<std::u16string> units = Utf8ToUtf16(part);
    if (!units) return units.error();
    joined += *units;
    parts.push_back(std::move(*units));
  }
  if (joined != name) return Error{"nameParts do not join to the entry's name"};
  return parts;
}

// Writes a part after the first: its 8- or 16-bit length at `at`, its units from at+2. A part
// stored as zero-terminated gets room for 259 units; its length then reads 0 when 8 bits wide,
// and more than 259 units when 16 bits wide, because a 16-bit 0 reads as an empty part.
// Returns the end of the part's room.
std::size_t WritePart(ByteBuffer& bytes, std::size_t at, std::u16string_view units, bool wide,
                      bool zeroTerminated) {
  const auto length = static_cast<std::uint16_t>(units.size());
  if (wide) bytes.putU16(at, zeroTerminated ? kOverlongLength16 : length);
  if (!wide) bytes.putU8(at, zeroTerminated ? 0 : static_cast<std::uint8_t>(length));
  bytes.putUtf16(at + kPartUnits, units);
  const std::size_t end = at + kPartUnits + 2 * (zeroTerminated ? kZeroLengthUnits : units.size());
  bytes.extendTo(end);
  return end;
}

}  // namespace

Result<NameParts> SplitName(std::u16string_view name, std::size_t count,
                            const std::vector<std::string>& explicitParts, int zeroLengthPart) {
  NameParts split{SplitEvenly(name, count), zeroLengthPart};
  if (!explicitParts.empty()) {
    Result<std::vector<std::u16string>> parts = ConvertParts(name, explicitParts);
    if (!parts) return parts.error();
    split.parts = std::move(*parts);
  }
  for (const std::u16string& part : split.parts) {
    if (part.empty() || part.size() > kMaxUnits) {
      return Error{"every part of a name needs 1 to 255 characters (name of " +
                   std::to_string(name.size()) + " in " + std::to_string(count) + " parts)"};
    }
  }
  return split;
}

std::size_t WriteNameParts(ByteBuffer& bytes, std::size_t start, const NameParts& name) {
  const std::u16string& first = name.parts[0];
  bytes.putU16(start + kLength1, static_cast<std::uint16_t>(first.size()));
  bytes.putUtf16(start + kUnits1, first);
  if (name.parts.size() == 1) return start + kUnits1 + 2 * first.size();
  const bool threeParts = name.parts.size() == 3;
  const std::size_t part2 = start + kPart2Gap + 2 * first.size();
  const std::size_t end2 =
      WritePart(bytes, part2, name.parts[1], threeParts, name.zeroLengthPart == 2);
  if (!threeParts) return end2;
  const std::size_t part3 = end2 + kPart3Gap - kPartUnits;
  return WritePart(bytes, part3, name.parts[2], false, name.zeroLengthPart == 3);
}

}  // namespace kestrel::mkimage
