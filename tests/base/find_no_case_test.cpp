#include "base/find_no_case.h"

#include <gtest/gtest.h>

#include "platform/base/text.h"

namespace {

TEST(FindNoCase, Table) {
  struct Case {
    std::u16string text, pattern;
    std::optional<size_t> expected;
  } cases[] = {
      {u"", u"a", std::nullopt},
      {u"abc", u"", std::nullopt},
      {u"  wurth ", u"Wurth", 2},
      {u"WE EISOS GmbH", u"WE eiSos", 0},
      {u"W\u00dcrth", u"W\u00fcrth", std::nullopt},  // only ASCII letters fold
      {u"W\u00fcrth Elektronik", u"W\u00fcrth", 0},
      {u"x\u00e9t\u00e9", u"\u00c9t\u00e9", std::nullopt},  // the whole pattern folds ASCII only
      {u"ab", u"abc", std::nullopt},
      {u"aaab", u"aab", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win::WideToUtf8(c.text) + " / " + win::WideToUtf8(c.pattern));
    EXPECT_EQ(qz::FindNoCase(c.text, c.pattern), c.expected);
  }
}

}  // namespace
