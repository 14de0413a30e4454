// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "disk/NameBlock.h"
#include "support/Bytes.h"

namespace kestrel::disk {
namespace {

using test::Bytes;
constexpr std::size_t N = 0x78;

TEST(NameBlock, OneName) {
  Bytes area(512);
  area.PutU16(N, 23).PutU16(N + 4, 4).PutUtf16(N + 6, u"VOL1");
  const NameBlock block = ReadNameBlock(area.data(), N);
  EXPECT_EQ(block.names, (std::vector<std::u16string>{u"VOL1"}));
  EXPECT_EQ(block.end, N + 6 + 8 - 1) << "E is the last byte of the last name";
}

TEST(NameBlock, TwoNamesWithAByteSecondLength) {
  Bytes area(512);
  area.PutU16(N, 22).PutU16(N + 4, 1).PutUtf16(N + 6, u"A");
  area.PutU8(N + 12, 1).PutU8(N + 13, 0xFF).PutUtf16(N + 14, u"B");  // 0xFF is not part of L2
  const NameBlock block = ReadNameBlock(area.data(), N);
  EXPECT_EQ(JoinNames(block.names), u"AB");
  EXPECT_EQ(block.end, N + 15);
}

TEST(NameBlock, ThreeNames) {
  Bytes area(512);
  area.PutU16(N, 20).PutU16(N + 4, 2).PutUtf16(N + 6, u"ab");  // P2 = N + 14
  area.PutU16(N + 14, 3).PutUtf16(N + 16, u"cde");             // P3 = P2 + 12
  area.PutU8(N + 26, 1).PutUtf16(N + 28, u"f");
  const NameBlock block = ReadNameBlock(area.data(), N);
  EXPECT_EQ(block.names, (std::vector<std::u16string>{u"ab", u"cde", u"f"}));
  EXPECT_EQ(block.end, N + 29);
}

TEST(NameBlock, LongNamesAreCutTo259Units) {
  Bytes area(2048);
  area.PutU16(N, 23).PutU16(N + 4, 300).PutUtf16(N + 6, std::u16string(300, u'n'));
  NameBlock block = ReadNameBlock(area.data(), N);
  EXPECT_EQ(block.names[0].size(), 259u);
  EXPECT_EQ(block.end, N + 6 + 600 - 1) << "the end of an id-23 block follows the stored length";

  Bytes two(2048);
  two.PutU16(N, 22).PutU16(N + 4, 300).PutUtf16(N + 6, std::u16string(300, u'n'));
  two.PutU8(N + 10 + 518, 1).PutUtf16(N + 12 + 518, u"Z");
  block = ReadNameBlock(two.data(), N);
  EXPECT_EQ(block.names[0].size(), 259u);
  EXPECT_EQ(block.names[1], u"Z") << "the second name is looked for as if the first had 259 units";
}

TEST(NameBlock, UnknownIdHasNoNamesAndEndsAtTheId) {
  Bytes area(512);
  area.PutU16(N, 21).PutU16(N + 4, 4).PutUtf16(N + 6, u"VOL1");
  const NameBlock block = ReadNameBlock(area.data(), N);
  EXPECT_TRUE(block.names.empty());
  EXPECT_EQ(block.end, N);
}

TEST(NameBlock, NamePastTheBufferIsCut) {
  Bytes area(N + 10);
  area.PutU16(N, 23).PutU16(N + 4, 200).PutUtf16(N + 6, u"AB");
  EXPECT_EQ(ReadNameBlock(area.data(), N).names[0], u"AB");
  EXPECT_TRUE(ReadNameBlock(area.data(), N + 500).names.empty());
}

}  // namespace
}  // namespace kestrel::disk
