// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "app/CodePageTable.h"
#include "app/SizeText.h"
#include "app/TextEncoding.h"

namespace kestrel::app {
namespace {

TEST(CodePageTable, FifteenEntriesInOrderWithTheUsersMarked) {
  const CodePageTable table = MakeCodePageTable(1252);
  ASSERT_EQ(table.entries.size(), 15u);
  EXPECT_EQ(table.entries.front().key, "United States - 437");
  EXPECT_EQ(table.entries[4].key, "Multilingual (Latin I) - 850");
  EXPECT_EQ(table.entries.back().key, "UTF-8 - 65001");
  EXPECT_EQ(table.currentLabel, "Windows 3.1 US (ANSI) - 1252 (this locale)");
  EXPECT_EQ(table.entries[12].key, table.currentLabel);
  EXPECT_EQ(MakeCodePageTable(12345).currentLabel, "");
}

TEST(CodePageTable, PosixCharacterSetsMapToCodePages) {
  EXPECT_EQ(CodePageOfCharset("UTF-8"), 65001);
  EXPECT_EQ(CodePageOfCharset("utf8"), 65001);
  EXPECT_EQ(CodePageOfCharset("ANSI_X3.4-1968"), 1252);
  EXPECT_EQ(CodePageOfCharset("ISO-8859-7"), 1253);
  EXPECT_EQ(CodePageOfCharset("EUC-JP"), 932);
  EXPECT_EQ(CodePageOfCharset("KOI8-R"), 0);
}

TEST(TextEncoding, NamesFromDiskBecomeValidUtf8) {
  EXPECT_EQ(ToUtf8(u"report.doc"), "report.doc");
  EXPECT_EQ(ToUtf8(u"Gr\u00FC\u00DFe \u65E5"),
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE6\x97\xA5");
  EXPECT_EQ(ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
  EXPECT_EQ(ToUtf8(lone),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD")
      << "unpaired surrogates become U+FFFD";
  EXPECT_EQ(ToUtf16("Gr\xC3\xBC\xC3\x9F"
                    "e"),
            u"Gr\u00FC\u00DFe");
  EXPECT_EQ(ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(ToUtf16("a\xC0\xAF"
                    "b"),
            u"a\uFFFD\uFFFDb")
      << "an overlong form is not UTF-8";
  EXPECT_EQ(ToUtf16("\xE6\x97"), u"\uFFFD\uFFFD") << "a cut sequence";
}

TEST(TextEncoding, PrintableNamesShowControlCharactersAsEscapes) {
  EXPECT_EQ(PrintableName(u"line\nbreak\x01.txt"), "line\\x0Abreak\\x01.txt");
  EXPECT_EQ(PrintableName(u"caf\u00E9"), "caf\xC3\xA9");
}

TEST(SizeText, LargestUnitHeldAtLeastOnce) {
  EXPECT_EQ(SizeText(0), "0.00 Bytes");
  EXPECT_EQ(SizeText(1023), "1023.00 Bytes");
  EXPECT_EQ(SizeText(1024), "1.00 KB");
  EXPECT_EQ(SizeText(1048575), "1024.00 KB");
  EXPECT_EQ(SizeText(1048576), "1.00 MB");
  EXPECT_EQ(SizeText(5ull << 30), "5.00 GB");
}

TEST(ByteCount, DigitsWithAnOptionalBinaryUnit) {
  EXPECT_EQ(ParseByteCount("512"), 512u);
  EXPECT_EQ(ParseByteCount("64k"), 65536u);
  EXPECT_EQ(ParseByteCount("4M"), 4u << 20);
  EXPECT_EQ(ParseByteCount("2g"), 2ull << 30);
  EXPECT_EQ(ParseByteCount("18446744073709551615"), ~0ull);
  for (const char* refused :
       {"", "k", "-1", "1.5m", "12q", "1 k", "18446744073709551616", "17179869184g"}) {
    EXPECT_EQ(ParseByteCount(refused), std::nullopt) << refused;
  }
}

}  // namespace
}  // namespace kestrel::app
