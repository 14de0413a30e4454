// SPDX-License-Identifier: Apache-2.0
#include "volume/RecordGrammar.h"

#include <algorithm>
#include <optional>
#include <string>

#include "disk/NssLayout.h"

namespace kestrel::volume {
namespace {

using disk::ByteView;

enum EntryCode : std::uint16_t {
  kThreeNames = 20,
  kTwoNames = 22,
  kOneName = 23,
  kOverride = 127,
  kOneNameAlt = 128
};
constexpr std::size_t kMaxUnits = disk::layout::kMaxNameUnits;
constexpr std::size_t kNoCandidate = 0;

// Form 1 compares codes 22, 23 and 20 as 24-bit values; elsewhere only 22 is.
enum class Place { FormOne, Elsewhere };

std::optional<std::uint16_t> KnownCode(ByteView r, std::size_t p, Place place) {
  const std::uint16_t code = disk::ReadU16(r, p);
  const bool wide =
      code == kTwoNames || (place == Place::FormOne && (code == kOneName || code == kThreeNames));
  if (wide && disk::ReadU24(r, p) != code) return std::nullopt;
  switch (code) {
    case kThreeNames:
    case kTwoNames:
    case kOneName:
    case kOverride:
    case kOneNameAlt:
      return code;
    default:
      return std::nullopt;
  }
}

struct Part {
  std::u16string text;
  std::size_t units;  // units the fields after it are placed behind
};

// A last name part stored with length 0, or a middle part too long to be one, is a
// zero-terminated string, and what follows it is looked for as if it were 259 units long.
Part ReadPart(ByteView r, std::size_t at, std::size_t length, bool terminated) {
  if (terminated) return {disk::ReadUtf16UntilZero(r, at, kMaxUnits), kMaxUnits};
  return {disk::ReadUtf16(r, at, length), length};
}

struct Entry {
  std::optional<std::u16string> name;  // absent when the first length is 0
  std::size_t end = 0;
};

Entry OneName(ByteView r, std::size_t p) {
  const std::size_t length = disk::ReadU8(r, p + 4);
  if (length == 0) return {std::nullopt, p + 6};
  return {disk::ReadUtf16(r, p + 6, length), p + 5 + 2 * length};
}

Entry TwoNames(ByteView r, std::size_t p) {
  const std::size_t first = disk::ReadU8(r, p + 4);
  const std::size_t second = p + 10 + 2 * first;
  const std::size_t secondLength = disk::ReadU8(r, second);
  const Part part = ReadPart(r, second + 2, secondLength, secondLength == 0);
  Entry entry{std::nullopt, second + 2 + 2 * part.units};
  if (first != 0) entry.name = disk::ReadUtf16(r, p + 6, first) + part.text;
  return entry;
}

Entry ThreeNames(ByteView r, std::size_t p) {
  const std::size_t first = disk::ReadU8(r, p + 4);
  const std::size_t second = p + 10 + 2 * first;
  const std::size_t secondLength = disk::ReadU16(r, second);
  const Part middle = ReadPart(r, second + 2, secondLength, 2 * secondLength > 519);
  const std::size_t third = second + 6 + 2 * middle.units;
  const std::size_t thirdLength = disk::ReadU8(r, third);
  const Part last = ReadPart(r, third + 2, thirdLength, thirdLength == 0);
  Entry entry{std::nullopt, third + 2 + 2 * last.units};
  if (first != 0) entry.name = disk::ReadUtf16(r, p + 6, first) + middle.text + last.text;
  return entry;
}

// Decodes the known entry at p. Code 127 overrides the parent key: with the u64 behind its id-23
// block position, or, in second-stage candidates 2 to 4, with the u64 at p itself.
Entry DecodeEntry(ByteView r, std::size_t p, std::uint16_t code, std::size_t candidate,
                  std::uint64_t& parentKey) {
  switch (code) {
    case kTwoNames:
      return TwoNames(r, p);
    case kThreeNames:
      return ThreeNames(r, p);
    case kOverride:
      parentKey = disk::ReadU64(r, candidate >= 2 ? p : p + 8);
      return OneName(r, p + 8);
    default:
      return OneName(r, p);
  }
}

class NameSection {
 public:
  NameSection(ByteView r, const DecodedEntry& common, std::uint64_t& parentKey)
      : r_(r), common_(common), parentKey_(parentKey) {}

  std::vector<DecodedEntry> Decode(std::size_t t) {
    if (disk::ReadU24(r_, t) == 1) {
      parentKey_ = disk::ReadU64(r_, t + 7);
      Emit(t + 15, Place::FormOne, kNoCandidate);
    } else if (disk::ReadU16(r_, t) == 2) {
      parentKey_ = disk::ReadU64(r_, t + 7);
      const auto end = Emit(t + 15, Place::Elsewhere, kNoCandidate);
      SecondStage(end.value_or(t + 15));
    } else {
      SecondStage(t);
    }
    return std::move(entries_);
  }

 private:
  // The entry at p when its code is known: it is filed, and its end returned.
  std::optional<std::size_t> Emit(std::size_t p, Place place, std::size_t candidate) {
    const auto code = KnownCode(r_, p, place);
    if (!code) return std::nullopt;
    const Entry entry = DecodeEntry(r_, p, *code, candidate, parentKey_);
    if (entry.name) {
      DecodedEntry decoded = common_;
      decoded.name = entry.name->substr(0, kMaxUnits);
      decoded.parentKey = parentKey_;
      entries_.push_back(std::move(decoded));
    }
    return entry.end;
  }

  void SecondStage(std::size_t q) {
    struct Candidate {
      std::size_t parent;
      std::size_t entry;
    };
    const Candidate candidates[] = {
        {q + 12, q + 20}, {q + 12, q + 40}, {q + 28, q + 36}, {q + 28, q + 56}};
    for (std::size_t k = 0; k < std::size(candidates); ++k) {
      if (!KnownCode(r_, candidates[k].entry, Place::Elsewhere)) continue;
      parentKey_ = disk::ReadU64(r_, candidates[k].parent);
      Emit(candidates[k].entry, Place::Elsewhere, k + 1);
      return;
    }
  }

  ByteView r_;
  const DecodedEntry& common_;
  std::uint64_t& parentKey_;
  std::vector<DecodedEntry> entries_;
};

// The further extents of a file record and the start of its name section. Layout B lists them
// from 0x60 and names follow the terminating zero; layout A lists the first extent again from
// 0x58 and names begin 12 bytes after the terminating entry.
std::size_t ReadExtents(ByteView r, disk::BlockLayout layout, std::vector<Extent>& further) {
  const bool layoutA = layout == disk::BlockLayout::A;
  std::size_t at = layoutA ? record::kFirstExtent : record::kFurtherExtentsB;
  for (bool first = layoutA; disk::ReadU32(r, at) != 0; at += 8, first = false) {
    if (!first) further.push_back({disk::ReadU32(r, at), disk::ReadU32(r, at + 4)});
  }
  return at + (layoutA ? 12 : 4);
}

}  // namespace

RecordDecoding DecodeRecord(ByteView area, std::size_t h, disk::BlockLayout layout,
                            std::uint64_t& parentKey) {
  const ByteView r = h < area.size() ? area.subspan(h) : ByteView{};
  const std::size_t length = disk::ReadU16(r, record::kLength);
  if (disk::ReadU32(r, record::kFirstStart) == 0) return {h + length + record::kSkipDistance, {}};
  DecodedEntry common;
  common.key = disk::ReadU64(r, record::kKey);
  common.size = disk::ReadU64(r, record::kSize);
  std::size_t names = record::kFolderNames;
  if (common.size != 0) {
    common.firstExtent = {disk::ReadU32(r, record::kFirstExtent),
                          disk::ReadU32(r, record::kFirstStart)};
    names = ReadExtents(r, layout, common.furtherExtents);
  }
  return {h + length, NameSection(r, common, parentKey).Decode(names)};
}

bool BlockBudget::Spend(const RecordDecoding& decoding) {
  if (decoding.entries.empty()) return true;
  std::size_t claimed =
      record::kFolderNames + 8 * decoding.entries.front().furtherExtents.size();
  for (const DecodedEntry& entry : decoding.entries) claimed += 2 * entry.name.size();
  if (claimed > left_) {
    left_ = 0;
    return false;
  }
  left_ -= claimed;
  return true;
}

}  // namespace kestrel::volume
