// SPDX-License-Identifier: Apache-2.0
// The record grammar over hand-made records: the forms, the second-stage candidates, the entry
// codes and their length rules.
#include <gtest/gtest.h>

#include "support/Bytes.h"
#include "volume/RecordGrammar.h"

namespace kestrel::volume {
namespace {

using disk::BlockLayout;
using test::Bytes;

constexpr std::uint64_t kKey = 0x1234;

// A record of the given length with key, size and a first extent (blocks 2 from block 10).
Bytes Record(std::uint64_t size, std::uint16_t length = 600) {
  Bytes r(length);
  r.PutU16(0, length)
      .Put(2, "ND")
      .PutU64(8, kKey)
      .PutU64(0x18, size)
      .PutU32(0x58, 2)
      .PutU32(0x5C, 10);
  return r;
}

void PutOneName(Bytes& r, std::size_t p, std::uint16_t code, std::u16string_view name) {
  r.PutU16(p, code).PutU8(p + 4, static_cast<std::uint8_t>(name.size())).PutUtf16(p + 6, name);
}

void PutFormOne(Bytes& r, std::size_t t, std::uint64_t parent) {
  r.PutU8(t, 1).PutU64(t + 7, parent);
}

std::vector<std::pair<std::u16string, std::uint64_t>> Decode(const Bytes& r,
                                                             BlockLayout layout = BlockLayout::B) {
  std::uint64_t parent = 0;
  std::vector<std::pair<std::u16string, std::uint64_t>> entries;
  for (const auto& entry : DecodeRecord(r.data(), 0, layout, parent).entries)
    entries.emplace_back(entry.name, entry.parentKey);
  return entries;
}

using Entries = std::vector<std::pair<std::u16string, std::uint64_t>>;

TEST(RecordGrammar, ARecordWithoutStartBlockIsSkippedByItsLengthAnd42) {
  Bytes r = Record(10, 200);
  r.PutU32(0x5C, 0);
  std::uint64_t parent = 0;
  const RecordDecoding decoded = DecodeRecord(r.data(), 0, BlockLayout::B, parent);
  EXPECT_TRUE(decoded.entries.empty());
  EXPECT_EQ(decoded.next, 242u);
}

TEST(RecordGrammar, FolderNamesStartAt0x64) {
  Bytes r = Record(0);
  PutFormOne(r, 0x64, 127);
  PutOneName(r, 0x64 + 15, 23, u"DOCS");
  std::uint64_t parent = 0;
  const RecordDecoding decoded = DecodeRecord(r.data(), 0, BlockLayout::B, parent);
  ASSERT_EQ(decoded.entries.size(), 1u);
  EXPECT_EQ(decoded.entries[0].name, u"DOCS");
  EXPECT_EQ(decoded.entries[0].key, kKey);
  EXPECT_EQ(decoded.entries[0].firstExtent, (Extent{0, 0})) << "a folder has no extent";
  EXPECT_EQ(decoded.next, 600u);
  EXPECT_EQ(parent, 127u);
}

TEST(RecordGrammar, LayoutBFurtherExtentsEndAtAZeroAndNamesFollowIt) {
  Bytes r = Record(9000);
  r.PutU32(0x60, 3).PutU32(0x64, 20).PutU32(0x68, 5).PutU32(0x6C, 30);  // zero at 0x70
  PutFormOne(r, 0x74, 127);
  PutOneName(r, 0x74 + 15, 23, u"report.doc");
  std::uint64_t parent = 0;
  const auto decoded = DecodeRecord(r.data(), 0, BlockLayout::B, parent);
  ASSERT_EQ(decoded.entries.size(), 1u);
  EXPECT_EQ(decoded.entries[0].name, u"report.doc");
  EXPECT_EQ(decoded.entries[0].size, 9000u);
  EXPECT_EQ(decoded.entries[0].firstExtent, (Extent{2, 10}));
  EXPECT_EQ(decoded.entries[0].furtherExtents, (std::vector<Extent>{{3, 20}, {5, 30}}));
}

TEST(RecordGrammar, LayoutAListsTheFirstExtentAgainAndNamesFollow12BytesLater) {
  Bytes r = Record(9000);
  r.PutU32(0x60, 3).PutU32(0x64, 20);  // terminator at 0x68
  PutFormOne(r, 0x68 + 12, 127);
  PutOneName(r, 0x68 + 12 + 15, 23, u"a.txt");
  std::uint64_t parent = 0;
  const auto decoded = DecodeRecord(r.data(), 0, BlockLayout::A, parent);
  ASSERT_EQ(decoded.entries.size(), 1u);
  EXPECT_EQ(decoded.entries[0].name, u"a.txt");
  EXPECT_EQ(decoded.entries[0].furtherExtents, (std::vector<Extent>{{3, 20}}))
      << "the first extent is not repeated";
}

TEST(RecordGrammar, FormOneEntryCodes) {
  Bytes r = Record(0);
  PutFormOne(r, 0x64, 127);
  const std::size_t p = 0x64 + 15;

  PutOneName(r, p, 128, u"alt");
  EXPECT_EQ(Decode(r), (Entries{{u"alt", 127}}));

  r.PutU16(p, 22).PutU8(p + 4, 2).PutUtf16(p + 6, u"ab").PutU8(p + 14, 3).PutUtf16(p + 16, u"cde");
  EXPECT_EQ(Decode(r), (Entries{{u"abcde", 127}}));

  r.PutU16(p, 20).PutU16(p + 14, 1).PutUtf16(p + 16, u"c").PutU8(p + 22, 1).PutUtf16(p + 24, u"d");
  EXPECT_EQ(Decode(r), (Entries{{u"abcd", 127}}));

  r.PutU8(p + 2, 7);  // in form 1, code 20 is compared as three bytes
  EXPECT_EQ(Decode(r), Entries{});
}

TEST(RecordGrammar, Code127OverridesTheParentKeyWithTheWordBehindIt) {
  Bytes r = Record(0);
  PutFormOne(r, 0x64, 127);
  const std::size_t p = 0x64 + 15;
  r.PutU16(p, 127);
  PutOneName(r, p + 8, 23, u"Q");
  r.PutU32(p + 8, 0xAABBCCDD);
  const std::uint64_t expected = r.data()[p + 8] | std::uint64_t{r.data()[p + 9]} << 8 |
                                 std::uint64_t{r.data()[p + 10]} << 16 |
                                 std::uint64_t{r.data()[p + 11]} << 24 | std::uint64_t{1} << 32 |
                                 std::uint64_t{'Q'} << 48;
  EXPECT_EQ(Decode(r), (Entries{{u"Q", expected}}));
}

TEST(RecordGrammar, FormTwoYieldsTwoEntriesWithTheirOwnParents) {
  Bytes r = Record(0);
  r.PutU16(0x64, 2).PutU64(0x64 + 7, 500);
  const std::size_t p = 0x64 + 15;
  PutOneName(r, p, 23, u"first");
  const std::size_t q = p + 5 + 2 * 5;  // the end of the first entry
  r.PutU64(q + 12, 600);
  PutOneName(r, q + 20, 23, u"second");
  EXPECT_EQ(Decode(r), (Entries{{u"first", 500}, {u"second", 600}}));

  // An unknown first entry: the second stage starts at its own position.
  Bytes shifted = Record(0);
  shifted.PutU16(0x64, 2).PutU64(0x64 + 7, 500).PutU16(p, 99).PutU64(p + 12, 700);
  PutOneName(shifted, p + 20, 23, u"only");
  EXPECT_EQ(Decode(shifted), (Entries{{u"only", 700}}));
}

TEST(RecordGrammar, SecondStageCandidatesAreTriedInOrder) {
  const std::size_t q = 0x64;  // neither form: the second stage starts at T
  Bytes second = Record(0);
  second.PutU64(q + 12, 1).PutU64(q + 28, 2);
  PutOneName(second, q + 40, 23, u"two");
  EXPECT_EQ(Decode(second), (Entries{{u"two", 1}}));

  Bytes third = Record(0);
  third.PutU64(q + 12, 1).PutU64(q + 28, 2);
  PutOneName(third, q + 36, 23, u"three");
  EXPECT_EQ(Decode(third), (Entries{{u"three", 2}}));

  Bytes fourth = Record(0);
  fourth.PutU64(q + 28, 2).PutU16(q + 56, 127).PutU32(q + 56 + 2, 0x55);
  PutOneName(fourth, q + 56 + 8, 23, u"four");
  EXPECT_EQ(Decode(fourth), (Entries{{u"four", 0x7Full | 0x55ull << 16}}))
      << "in candidate 4 the parent key of code 127 is the word at the code itself";

  EXPECT_EQ(Decode(Record(0)), Entries{}) << "no known code anywhere: nothing";
}

TEST(RecordGrammar, LengthRules) {
  const std::size_t p = 0x64 + 15;
  Bytes zeroFirst = Record(0);
  PutFormOne(zeroFirst, 0x64, 127);
  PutOneName(zeroFirst, p, 23, u"");
  EXPECT_EQ(Decode(zeroFirst), Entries{}) << "a first length of 0 yields no entry";

  Bytes emptyMiddle = Record(0);
  PutFormOne(emptyMiddle, 0x64, 127);
  emptyMiddle.PutU16(p, 20).PutU8(p + 4, 1).PutUtf16(p + 6, u"a").PutU16(p + 12, 0);
  emptyMiddle.PutU8(p + 18, 1).PutUtf16(p + 20, u"c");
  EXPECT_EQ(Decode(emptyMiddle), (Entries{{u"ac", 127}}))
      << "code 20's middle length of 0 is an empty part";

  Bytes terminated = Record(0, 1400);
  PutFormOne(terminated, 0x64, 127);
  terminated.PutU16(p, 22)
      .PutU8(p + 4, 1)
      .PutUtf16(p + 6, u"a")
      .PutU8(p + 12, 0)
      .PutUtf16(p + 14, u"bc");
  EXPECT_EQ(Decode(terminated), (Entries{{u"abc", 127}}))
      << "a second length of 0: a zero-terminated part";

  Bytes tooLong = Record(0, 1400);
  tooLong.PutU16(0x64, 2).PutU64(0x64 + 7, 9);
  tooLong.PutU16(p, 20)
      .PutU8(p + 4, 1)
      .PutUtf16(p + 6, u"x")
      .PutU16(p + 12, 300)
      .PutUtf16(p + 14, u"yz");
  const std::size_t third = p + 12 + 6 + 2 * 259;  // looked for as if the middle part had 259 units
  tooLong.PutU8(third, 1).PutUtf16(third + 2, u"w");
  const std::size_t q = third + 2 + 2;  // the second stage starts after the entry
  tooLong.PutU64(q + 12, 44);
  PutOneName(tooLong, q + 20, 128, u"next");
  EXPECT_EQ(Decode(tooLong), (Entries{{u"xyzw", 9}, {u"next", 44}}));
}

TEST(RecordGrammar, NamesAreCutTo259Units) {
  Bytes r = Record(0, 2000);
  PutFormOne(r, 0x64, 127);
  const std::size_t p = 0x64 + 15;
  r.PutU16(p, 20).PutU8(p + 4, 200).PutUtf16(p + 6, std::u16string(200, u'a'));
  const std::size_t second = p + 10 + 400;
  r.PutU16(second, 200).PutUtf16(second + 2, std::u16string(200, u'b'));
  r.PutU8(second + 6 + 400, 1).PutUtf16(second + 8 + 400, u"c");
  EXPECT_EQ(Decode(r)[0].first.size(), 259u);
}

}  // namespace
}  // namespace kestrel::volume
