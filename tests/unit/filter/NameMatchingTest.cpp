// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <string>

#include "filter/CaseFold.h"
#include "filter/FindMatching.h"
#include "filter/PatternList.h"

namespace kestrel::filter {
namespace {

TEST(FindMatching, WholeNameWithStarAndQuestionMarkWithoutRegardToCase) {
  EXPECT_TRUE(FindMatching(u"report.doc").Matches(u"REPORT.DOC"));
  EXPECT_FALSE(FindMatching(u"report.doc").Matches(u"report.docx")) << "the whole name";
  EXPECT_TRUE(FindMatching(u"a?c.*").Matches(u"abc.txt"));
  EXPECT_FALSE(FindMatching(u"a?c.*").Matches(u"ac.txt")) << "\"?\" is exactly one character";
  EXPECT_TRUE(FindMatching(u"*").Matches(u"README"));
  EXPECT_TRUE(FindMatching(u"*.").Matches(u"trailing.")) << "a name ending in \".\"";
  EXPECT_FALSE(FindMatching(u"*.").Matches(u"README"));
  EXPECT_TRUE(FindMatching(u"r*m*").Matches(u"README")) << "several stars";
  EXPECT_TRUE(FindMatching(u"*a*b").Matches(u"aXbaab")) << "the last star retried";
  EXPECT_FALSE(FindMatching(u"*a*b").Matches(u"aXbaaX"));
}

TEST(FindMatching, TheTextIsSplitAtSemicolonsAndAnyPartMatches) {
  const FindMatching matching(u"*.txt; *.doc ;");
  EXPECT_TRUE(matching.Matches(u"notes.TXT"));
  EXPECT_TRUE(matching.Matches(u"report.doc")) << "spaces around a part are trimmed";
  EXPECT_FALSE(matching.Matches(u"photo.bmp"));
  EXPECT_FALSE(FindMatching(u" ; ").HasPatterns());
  EXPECT_FALSE(FindMatching(u" ; ").Matches(u"anything"));
}

TEST(FindMatching, HostilePatternAgainstALongNameEndsAtOnce) {
  // Backtracking into every star would take about 10,000^7 steps here.
  const std::u16string name(10000, u'a');
  EXPECT_FALSE(FindMatching(u"*a*a*a*a*a*a*a*b").Matches(name));
  EXPECT_TRUE(FindMatching(u"*a*a*a*a*a*a*a*a").Matches(name));
}

TEST(CaseFold, AsciiByTheAToZRuleOthersBySimpleCaseFolding) {
  EXPECT_EQ(SimpleCaseFold(U'Q'), U'q');
  EXPECT_EQ(SimpleCaseFold(U'['), U'[');
  EXPECT_EQ(SimpleCaseFold(U'Ä'), U'ä');
  EXPECT_EQ(SimpleCaseFold(U'Ω'), U'ω');
  EXPECT_EQ(SimpleCaseFold(U'ς'), U'σ') << "final sigma folds with sigma";
  EXPECT_EQ(SimpleCaseFold(U'Ā'), U'ā') << "alternating upper and lower case";
  EXPECT_EQ(SimpleCaseFold(U'ā'), U'ā');
  EXPECT_EQ(SimpleCaseFold(U'Я'), U'я');
  EXPECT_EQ(SimpleCaseFold(U'İ'), U'İ') << "only the Turkic rule folds it, and that is not simple";
  EXPECT_EQ(SimpleCaseFold(U'\U00010400'), U'\U00010428') << "beyond the first plane";
  EXPECT_EQ(SimpleCaseFold(U'中'), U'中');
}

TEST(CaseFold, NamesBeyondAsciiAndDamagedSurrogates) {
  EXPECT_TRUE(FindMatching(u"ÄRGER*.DOC").Matches(u"ärger-2024.doc"));
  EXPECT_TRUE(FindMatching(u"ΣΧΕΔΙΟ.?").Matches(u"σχεδιο.a"));
  EXPECT_TRUE(FindMatching(u"?.txt").Matches(u"\U00010400.txt")) << "one character, two units";
  const std::u16string damaged{u'a', char16_t{0xD800}, u'b'};
  EXPECT_EQ(FoldedText(damaged), (std::u32string{U'a', 0xD800, U'b'}));
  EXPECT_TRUE(FindMatching(damaged).Matches(damaged));
}

TEST(SplitPatterns, EverySeparatorTrimmedEmptyEntriesDropped) {
  EXPECT_EQ(SplitPatterns(u"*.doc; *.txt,*.xls ,,; ", u";,"),
            (std::vector<std::u16string>{u"*.doc", u"*.txt", u"*.xls"}));
  EXPECT_EQ(SplitPatterns(u"a,b", u";"), (std::vector<std::u16string>{u"a,b"}));
  EXPECT_TRUE(SplitPatterns(u"", u";").empty());
}

}  // namespace
}  // namespace kestrel::filter
