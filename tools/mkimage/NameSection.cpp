// SPDX-License-Identifier: Apache-2.0
#include "NameSection.h"

#include <algorithm>

#include "EntryRules.h"
#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

using namespace nss::name_section;
using nss::name_block::kTwoNames;

struct WrittenEntry {
  std::size_t end;      // E: where a decoder of the entry stops
  std::size_t byteEnd;  // just past the entry's last byte
};

// Code 127 keeps its parent key in the 8 bytes at P+8, which also hold the name block's 16-bit
// length at bytes 4..5 and its first unit at bytes 6..7, or at P itself, whose bytes 0..1 are the
// code.
Status CheckOverrideKey(const NameEntry& entry, bool atNameBlock) {
  const std::uint64_t key = entry.parentKey;
  if (atNameBlock) {
    const std::uint64_t length = entry.name.parts[0].size();
    const std::uint64_t firstUnit = entry.name.parts[0][0];
    if (((key >> 32) & 0xFFFF) == length && (key >> 48) == firstUnit) return {};
    return Error{
        "code 127 reads its parent key from the bytes that hold the name's length and "
        "first character: parent key " +
        HexText(key) + " must have the form " + HexText(firstUnit, 4) +
        HexText(length, 4).substr(2) + "????????"};
  }
  if ((key & 0xFFFF) == kCodeParentOverride) return {};
  return Error{"code 127 reads its parent key from the entry's own first 8 bytes: parent key " +
               HexText(key) + " must have the form 0x????????????007F"};
}

Result<WrittenEntry> WriteNameEntry(ByteBuffer& record, std::size_t p, const NameEntry& entry,
                                    bool overrideAtNameBlock) {
  if (entry.code != kCodeParentOverride) {
    record.putU16(p, entry.code);
    const std::size_t byteEnd = WriteNameParts(record, p, entry.name);
    const bool severalParts = entry.name.parts.size() > 1;
    return WrittenEntry{severalParts ? byteEnd : byteEnd - 1, byteEnd};
  }
  if (Status status = CheckOverrideKey(entry, overrideAtNameBlock); !status) return status.error();
  record.putU64(overrideAtNameBlock ? p + kOverrideNameBlock : p, entry.parentKey);
  record.putU16(p, entry.code);
  const std::size_t byteEnd = WriteNameParts(record, p + kOverrideNameBlock, entry.name);
  return WrittenEntry{byteEnd - 1, byteEnd};
}

// A second-stage decoder compares 22 as three bytes (the third must be 0), the others as two.
bool ReadsAsKnownCode(const ByteBuffer& record, std::size_t at) {
  const auto code = static_cast<std::uint16_t>(record.read(at, 2));
  if (code == kTwoNames) return record.read(at + 2, 1) == 0;
  return IsKnownCode(code);
}

// The parent key field that the decoder reads, unless code 127 overrides it: then the field
// holds 0, so that a decoder that misses the override files the entry nowhere.
std::uint64_t OrdinaryParentKey(const NameEntry& entry) {
  return entry.code == kCodeParentOverride ? 0 : entry.parentKey;
}

// Writes the second-stage entry (or nothing) from Q; earlier candidates must read as unknown.
Result<std::size_t> WriteSecondStage(ByteBuffer& record, std::size_t q,
                                     const NameSectionLayout& wanted) {
  const std::size_t tried =
      wanted.second ? static_cast<std::size_t>(wanted.stage - 1) : std::size(kCandidates);
  std::size_t end = q;
  if (wanted.second) {
    const Candidate& chosen = kCandidates[tried];
    record.putU64(q + chosen.parentKey, OrdinaryParentKey(*wanted.second));
    Result<WrittenEntry> written =
        WriteNameEntry(record, q + chosen.entry, *wanted.second, chosen.overrideAtNameBlock);
    if (!written) return written.error();
    end = written->byteEnd;
  }
  for (std::size_t i = 0; i < tried; ++i) {
    const std::size_t at = q + kCandidates[i].entry;
    if (ReadsAsKnownCode(record, at)) {
      return Error{"the second-stage entry makes candidate " + std::to_string(i + 1) +
                   " read as known code " + std::to_string(record.read(at, 2)) +
                   "; choose another stage or name"};
    }
    end = std::max(end, at + kCodeWidth);
  }
  record.extendTo(end);
  return end;
}

}  // namespace

Result<std::size_t> WriteNameSection(ByteBuffer& record, std::size_t t,
                                     const NameSectionLayout& wanted) {
  record.extendTo(t + kCodeWidth);
  if (wanted.form == NameForm::Neither) return WriteSecondStage(record, t, wanted);
  const std::size_t p = t + kFirstEntry;
  record.putU16(t, wanted.form == NameForm::Form1 ? kForm1 : kForm2);
  record.putU64(t + kParentKey, wanted.first ? OrdinaryParentKey(*wanted.first) : 0);
  if (wanted.form == NameForm::Form1) {
    Result<WrittenEntry> written = WriteNameEntry(record, p, *wanted.first, true);
    if (!written) return written.error();
    return written->byteEnd;
  }
  if (!wanted.first) return WriteSecondStage(record, p, wanted);
  Result<WrittenEntry> written = WriteNameEntry(record, p, *wanted.first, true);
  if (!written) return written.error();
  Result<std::size_t> end = WriteSecondStage(record, written->end, wanted);
  if (!end) return end;
  return std::max(*end, written->byteEnd);
}

}  // namespace kestrel::mkimage
