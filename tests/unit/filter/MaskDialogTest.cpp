// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "filter/MaskDialog.h"

namespace kestrel::filter {
namespace {

TEST(MaskDialog, SizeBoundsAreDigitsOnlyAndFitSixtyFourBits) {
  EXPECT_EQ(ParseSizeBound(" 100 ", "Size From (Bytes)").value(), 100u);
  EXPECT_EQ(ParseSizeBound("18446744073709551615", "Upto").value(), UINT64_MAX);
  for (const char* bad : {"12k", "-5", "+5", "1e3", "0x10", "1 000", "", "   "}) {
    const auto read = ParseSizeBound(bad, "Upto");
    ASSERT_FALSE(read.ok()) << bad;
    EXPECT_EQ(read.error(), "Upto: type a size in bytes with the digits 0 to 9 only") << bad;
  }
  EXPECT_EQ(ParseSizeBound("000000000000000000001", "Upto").error(),
            "Upto: a size has at most 20 digits");
  EXPECT_EQ(ParseSizeBound("18446744073709551616", "Upto").error(),
            "Upto: the largest size is 18446744073709551615 bytes");
}

TEST(MaskDialog, CriteriaFromWhatWasTyped) {
  const auto read = ReadMaskCriteria({"*.DOC; *.txt,", true, "100", std::nullopt});
  ASSERT_TRUE(read.ok()) << read.error();
  const MaskCriteria& criteria = read.value();
  EXPECT_EQ(criteria.m_maskPatterns, (std::vector<std::u16string>{u"*.DOC", u"*.txt"}));
  EXPECT_TRUE(criteria.m_maskDeletedOnly);
  EXPECT_TRUE(criteria.m_maskSizeFromSet) << "a lower bound alone is a valid range";
  EXPECT_EQ(criteria.m_maskSizeFrom, 100u);
  EXPECT_FALSE(criteria.m_maskSizeUptoSet);
  EXPECT_FALSE(ReadMaskCriteria({"*.doc", false, "", ""}).value().m_maskSizeFromSet)
      << "an empty edit sets no bound";
  EXPECT_TRUE(ReadMaskCriteria({"*.doc", false, std::nullopt, "50"}).ok());
}

TEST(MaskDialog, RefusedCriteriaSayWhy) {
  EXPECT_EQ(ReadMaskCriteria({"*.doc", false, "100", "99"}).error(),
            "The upper size bound (Upto) is below the lower one (Size From (Bytes))");
  EXPECT_TRUE(ReadMaskCriteria({"*.doc", false, "100", "100"}).ok());
  EXPECT_EQ(ReadMaskCriteria({" ; , ", false, {}, {}}).error(),
            "Type at least one file type, such as *.doc");
  EXPECT_EQ(ReadMaskCriteria({"*.doc", false, "ten", {}}).error(),
            "Size From (Bytes): type a size in bytes with the digits 0 to 9 only");
  EXPECT_EQ(ReadMaskCriteria({"*.doc", false, "1", "x", "--size-from", "--size-upto"}).error(),
            "--size-upto: type a size in bytes with the digits 0 to 9 only")
      << "the command line names its options";
  EXPECT_FALSE(MaskOkEnabled(""));
  EXPECT_TRUE(MaskOkEnabled(kInitialMaskText));
}

TEST(MaskDialog, OnlyEveryNameWithoutOtherRulesLeavesTheViewAsItIs) {
  EXPECT_TRUE(KeepsEverything(ReadMaskCriteria({"*.*", false, {}, {}}).value()));
  EXPECT_TRUE(KeepsEverything(ReadMaskCriteria({"*.doc;*.*", false, {}, {}}).value()));
  EXPECT_FALSE(KeepsEverything(ReadMaskCriteria({"*.*", true, {}, {}}).value()));
  EXPECT_FALSE(KeepsEverything(ReadMaskCriteria({"*.*", false, "1", {}}).value()));
  EXPECT_FALSE(KeepsEverything(ReadMaskCriteria({"*.doc", false, {}, {}}).value()));
}

}  // namespace
}  // namespace kestrel::filter
