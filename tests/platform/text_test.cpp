#include "platform/base/text.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatText, PlaceholdersAndEscapes) {
  struct Case {
    std::u16string format, expected;
  };
  EXPECT_EQ(win::Format(u"Extracting: %ls.gz\n", u".\\a.txt"), u"Extracting: .\\a.txt.gz\n");
  EXPECT_EQ(win::Format(u"%s in %d seconds.", u"Title", 5), u"Title in 5 seconds.");
  EXPECT_EQ(win::Format(u"100%% %d", -7), u"100% -7");
  EXPECT_EQ(win::Format(u"%ls and %ls", u"one"), u"one and ");
  EXPECT_EQ(win::Format(u"%x stays, trailing %"), u"%x stays, trailing %");
  EXPECT_EQ(win::Format(u"%d", u"text"), u"");
}

TEST(Utf8, RoundTripAndReplacement) {
  std::u16string text = u"W\u00fcrth \u03a9 \U0001F600";
  EXPECT_EQ(win::Utf8ToWide(win::WideToUtf8(text)), text);
  EXPECT_EQ(win::Utf8ToWide("a\xff" "b"), u"a\uFFFDb");
  EXPECT_EQ(win::Utf8ToWide("\xe2\x82"), u"\uFFFD\uFFFD");
  EXPECT_EQ(win::WideToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(win::WidenLatin1("\xfc"), u"\u00fc");
}

TEST(CompareNoCaseAscii, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(win::CompareNoCaseAscii(u"ABC", u"abc"), 0);
  EXPECT_LT(win::CompareNoCaseAscii(u"ab", u"abc"), 0);
  EXPECT_NE(win::CompareNoCaseAscii(u"\u00dc", u"\u00fc"), 0);
  EXPECT_LT(win::CompareNoCaseAscii(u"_", u"a"), 0);
}

}  // namespace
