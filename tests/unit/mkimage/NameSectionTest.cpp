// SPDX-License-Identifier: Apache-2.0
// File and folder records: the extent list, the name-section forms, the second-stage candidates
// and the entry codes, checked at hand-computed offsets.
#include <gtest/gtest.h>

#include "EntryRecord.h"
#include "EntryRules.h"

namespace kestrel::mkimage {
namespace {

NameEntry Name(std::u16string name, std::uint16_t code = 23, std::uint64_t parentKey = 0x500) {
  return NameEntry{code, NameParts{{std::move(name)}}, parentKey};
}

EntryRecordLayout FileRecord(BlockLayout layout, std::vector<Extent> extents,
                             NameSectionLayout names) {
  return EntryRecordLayout{layout, 0x1234, 10000, std::move(extents), false, std::move(names)};
}

NameSectionLayout Form1(NameEntry entry) {
  return NameSectionLayout{NameForm::Form1, std::move(entry), std::nullopt, 1};
}

ByteBuffer Encode(const EntryRecordLayout& wanted) {
  Result<ByteBuffer> record = EncodeEntryRecord(wanted);
  EXPECT_TRUE(record) << record.error().message;
  return record ? *record : ByteBuffer();
}

TEST(ExtentList, LayoutBKeepsRunningTotalsAndPutsTheNamesAfterTheTerminator) {
  const ByteBuffer record =
      Encode(FileRecord(BlockLayout::B, {{2, 10}, {3, 13}, {1, 17}}, Form1(Name(u"a"))));
  EXPECT_EQ(record.read(0x58, 4), 2u);
  EXPECT_EQ(record.read(0x5C, 4), 10u);
  EXPECT_EQ(record.read(0x60, 4), 5u);
  EXPECT_EQ(record.read(0x64, 4), 13u);
  EXPECT_EQ(record.read(0x68, 4), 6u);
  EXPECT_EQ(record.read(0x6C, 4), 17u);
  EXPECT_EQ(record.read(0x70, 4), 0u);
  EXPECT_EQ(record.read(0x74, 3), 1u) << "form-1 mark at T = 0x74";
}

TEST(ExtentList, LayoutAStartsWithTheFirstExtentAndLeavesTwelveBytesAfterTheTerminator) {
  const ByteBuffer record =
      Encode(FileRecord(BlockLayout::A, {{4, 20}, {1, 25}}, Form1(Name(u"a"))));
  EXPECT_EQ(record.read(0x58, 8), 4u | (20ULL << 32));
  EXPECT_EQ(record.read(0x60, 8), 5u | (25ULL << 32));
  EXPECT_EQ(record.read(0x68, 4), 0u);
  EXPECT_EQ(record.read(0x74, 3), 1u) << "T = terminator 0x68 + 12";
}

TEST(ExtentList, FoldersUseNoBlocksFromBlockOneAndSkippedRecordsStartAtZero) {
  for (const BlockLayout layout : {BlockLayout::A, BlockLayout::B}) {
    EntryRecordLayout folder{layout, 0x99, 0, {}, false, Form1(Name(u"f"))};
    const ByteBuffer record = Encode(folder);
    EXPECT_EQ(record.read(0x58, 4), 0u);
    EXPECT_EQ(record.read(0x5C, 4), 1u);
    EXPECT_EQ(record.read(0x64, 3), 1u) << "T = 0x64 for a folder";
    folder.skip = true;
    EXPECT_EQ(Encode(folder).read(0x5C, 4), 0u);
  }
}

TEST(NameSection, Form1HoldsTheParentKeyAndOneEntry) {
  const ByteBuffer record = Encode(FileRecord(BlockLayout::B, {{3, 7}}, Form1(Name(u"doc.txt"))));
  const std::size_t t = 0x64;
  EXPECT_EQ(record.read(0, 2), record.size());
  EXPECT_EQ(record.size() % 2, 0u);
  EXPECT_TRUE(record.holdsText(2, "ND"));
  EXPECT_EQ(record.read(4, 1), 0u) << "only volume records carry \"3\"";
  EXPECT_EQ(record.read(8, 8), 0x1234u);
  EXPECT_EQ(record.read(0x18, 8), 10000u);
  EXPECT_EQ(record.read(t, 3), 1u);
  EXPECT_EQ(record.read(t + 7, 8), 0x500u);
  EXPECT_EQ(record.read(t + 15, 3), 23u);
  EXPECT_EQ(record.read(t + 19, 2), 7u);
  EXPECT_TRUE(record.holdsText(t + 21, std::string("d\0o\0c\0", 6)));
  EXPECT_GE(record.size(), t + 21 + 14);
}

TEST(NameSection, NeitherFormPutsTheEntryAtTheChosenCandidate) {
  struct Candidate {
    int stage;
    std::size_t parent;
    std::size_t entry;
  };
  for (const Candidate c : {Candidate{1, 12, 20}, {2, 12, 40}, {3, 28, 36}, {4, 28, 56}}) {
    const NameSectionLayout names{NameForm::Neither, std::nullopt, Name(u"n.txt", 128), c.stage};
    const ByteBuffer record = Encode(FileRecord(BlockLayout::B, {{3, 7}}, names));
    const std::size_t q = 0x64;
    EXPECT_EQ(record.read(q, 3), 0u) << "neither form 1 nor form 2";
    EXPECT_EQ(record.read(q + c.parent, 8), 0x500u) << "stage " << c.stage;
    EXPECT_EQ(record.read(q + c.entry, 2), 128u) << "stage " << c.stage;
    const std::size_t triedFirst[] = {20, 40, 36, 56};
    for (int earlier = 0; earlier + 1 < c.stage; ++earlier) {
      const auto code = static_cast<std::uint16_t>(record.read(q + triedFirst[earlier], 2));
      EXPECT_FALSE(IsKnownCode(code)) << "stage " << c.stage << ", candidate " << earlier + 1;
    }
  }
}

TEST(NameSection, Form2SecondStageStartsAtTheFirstEntrysEnd) {
  const NameSectionLayout names{NameForm::Form2, Name(u"one.txt"), Name(u"two.txt", 23, 0x600), 3};
  const ByteBuffer record = Encode(FileRecord(BlockLayout::B, {{3, 7}}, names));
  const std::size_t p = 0x64 + 15;
  const std::size_t q = p + 5 + 2 * 7;  // last byte of the first entry's name
  EXPECT_EQ(record.read(0x64, 2), 2u);
  EXPECT_NE(record.read(0x64, 3), 1u);
  EXPECT_EQ(record.read(p, 2), 23u);
  EXPECT_EQ(record.read(q + 28, 8), 0x600u);
  EXPECT_EQ(record.read(q + 36, 2), 23u);
  EXPECT_EQ(record.read(q + 20, 2), 0u);
}

TEST(NameSection, Form2WithoutASecondEntryCoversEveryCandidateWithUnknownCodes) {
  const NameSectionLayout names{NameForm::Form2, Name(u"only"), std::nullopt, 1};
  const ByteBuffer record = Encode(FileRecord(BlockLayout::B, {{3, 7}}, names));
  const std::size_t q = 0x64 + 15 + 5 + 2 * 4;
  EXPECT_GE(record.size(), q + 56 + 3);
  for (std::size_t at : {20u, 40u, 36u, 56u}) EXPECT_EQ(record.read(q + at, 2), 0u);
}

TEST(NameSection, Form2WithAnUnknownFirstCodeStartsTheSecondStageAtTheEntry) {
  const NameSectionLayout names{NameForm::Form2, std::nullopt, Name(u"late.txt"), 1};
  const ByteBuffer record = Encode(FileRecord(BlockLayout::B, {{3, 7}}, names));
  const std::size_t p = 0x64 + 15;
  EXPECT_EQ(record.read(p, 2), 0u);
  EXPECT_EQ(record.read(p + 12, 8), 0x500u);
  EXPECT_EQ(record.read(p + 20, 2), 23u);
}

TEST(NameSection, RejectsAnEntryWhoseLengthReadsAsAnEarlierCandidatesCode) {
  // Candidate 3's entry is at Q+36, so its first length sits at Q+40, candidate 2's code.
  const NameSectionLayout names{NameForm::Neither, std::nullopt, Name(std::u16string(20, u'x')), 3};
  EXPECT_FALSE(EncodeEntryRecord(FileRecord(BlockLayout::B, {{3, 7}}, names)));
  const NameSectionLayout fine{NameForm::Neither, std::nullopt, Name(std::u16string(21, u'x')), 3};
  EXPECT_TRUE(EncodeEntryRecord(FileRecord(BlockLayout::B, {{3, 7}}, fine)));
}

TEST(NameEntries, TwoAndThreePartNamesUseTheirPartOffsets) {
  NameEntry two{22, NameParts{{u"ab", u"cde"}}, 0x500};
  const ByteBuffer record = Encode(FileRecord(BlockLayout::B, {{3, 7}}, Form1(two)));
  const std::size_t p = 0x64 + 15;
  const std::size_t p2 = p + 10 + 2 * 2;
  EXPECT_EQ(record.read(p, 3), 22u);
  EXPECT_EQ(record.read(p + 4, 2), 2u);
  EXPECT_EQ(record.read(p2, 1), 3u);
  EXPECT_TRUE(record.holdsText(p2 + 2, std::string("c\0d\0e\0", 6)));

  NameEntry three{20, NameParts{{u"a", u"bc", u"d"}}, 0x500};
  const ByteBuffer threeRecord = Encode(FileRecord(BlockLayout::B, {{3, 7}}, Form1(three)));
  const std::size_t part2 = p + 10 + 2;
  const std::size_t part3 = part2 + 6 + 4;
  EXPECT_EQ(threeRecord.read(part2, 2), 2u);
  EXPECT_EQ(threeRecord.read(part3, 1), 1u);
  EXPECT_EQ(threeRecord.read(part3 + 2, 2), std::uint64_t{u'd'});
}

TEST(NameEntries, AZeroLengthPartIsZeroTerminatedInAReservedRoom) {
  NameEntry two{22, NameParts{{u"ab", u"cd"}, 2}, 0x500};
  const NameSectionLayout names{NameForm::Form2, two, Name(u"next"), 1};
  const ByteBuffer record = Encode(FileRecord(BlockLayout::B, {{3, 7}}, names));
  const std::size_t p2 = 0x64 + 15 + 10 + 4;
  EXPECT_EQ(record.read(p2, 1), 0u);
  EXPECT_EQ(record.read(p2 + 2, 4), std::uint64_t{u'c'} | (std::uint64_t{u'd'} << 16));
  EXPECT_EQ(record.read(p2 + 6, 2), 0u) << "terminating zero unit";
  const std::size_t q = p2 + 2 + 2 * 259;  // the part stands for 259 units
  EXPECT_EQ(record.read(q + 20, 2), 23u);
}

TEST(NameEntries, AZeroLengthSecondOfThreePartsHasALengthPast259Units) {
  // A 16-bit length of 0 would be an empty part; one past 259 units reads as zero-terminated.
  NameEntry three{20, NameParts{{u"a", u"bc", u"d"}, 2}, 0x500};
  const ByteBuffer record = Encode(FileRecord(BlockLayout::B, {{3, 7}}, Form1(three)));
  const std::size_t part2 = 0x64 + 15 + 10 + 2;
  EXPECT_EQ(record.read(part2, 2), 0xFFFFu);
  EXPECT_EQ(record.read(part2 + 2, 4), std::uint64_t{u'b'} | (std::uint64_t{u'c'} << 16));
  EXPECT_EQ(record.read(part2 + 6, 2), 0u);
  const std::size_t part3 = part2 + 6 + 2 * 259;
  EXPECT_EQ(record.read(part3, 1), 1u);
  EXPECT_EQ(record.read(part3 + 2, 2), std::uint64_t{u'd'});
}

TEST(NameEntries, Code127KeepsItsParentKeyAtTheEntryInLateCandidates) {
  const NameSectionLayout names{NameForm::Neither, std::nullopt,
                                Name(u"r", 127, 0xABCD00000000007F), 2};
  const ByteBuffer record = Encode(FileRecord(BlockLayout::B, {{3, 7}}, names));
  const std::size_t p = 0x64 + 40;
  EXPECT_EQ(record.read(p, 8), 0xABCD00000000007Fu);
  EXPECT_EQ(record.read(p + 12, 1), 1u);
  EXPECT_EQ(record.read(p + 14, 2), std::uint64_t{u'r'});
  EXPECT_EQ(record.read(0x64 + 12, 8), 0u) << "the overridden field stays empty";
}

}  // namespace
}  // namespace kestrel::mkimage
