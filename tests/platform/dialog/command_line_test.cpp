// The command line as the application object receives it, and the choice
// of the backend.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/base/text.h"
#include "platform/dialog/dialog_framework.h"

namespace {

TEST(CommandLineTail, ArgumentsAreJoinedAndQuotedAsWindowsReadsThemBack) {
  struct Case {
    std::vector<const char*> args;
    std::u16string tail;
  } cases[] = {
      {{"setup"}, u""},
      {{"setup", "-AcceptedLicense"}, u"-AcceptedLicense"},
      {{"setup", "a", "b c"}, u"a \"b c\""},
      {{"setup", ""}, u"\"\""},
      {{"setup", "say \"hi\""}, u"\"say \\\"hi\\\"\""},
      {{"setup", "C:\\dir with space\\"}, u"\"C:\\dir with space\\\\\""},
      {{"setup",
        "\xE2\x88\x92"
        "AcceptedLicense"},
       u"\u2212AcceptedLicense"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win::WideToUtf8(c.tail));
    EXPECT_EQ(win::CommandLineTail(int(c.args.size()), c.args.data()), c.tail);
  }
}

TEST(ChooseBackend, ConsoleWhenAskedForOrWithoutDisplay) {
  static bool asked = false;
  auto factory = [](int&, char**) -> std::shared_ptr<win::DialogBackend> {
    asked = true;
    return nullptr;
  };
  int argc = 1;
  char name[] = "setup";
  char* argv[] = {name, nullptr};
  ::setenv("QZ_UI", "console", 1);
  ::setenv("DISPLAY", ":0", 1);
  EXPECT_TRUE(win::ChooseBackend(argc, argv, factory)->IsConsole());
  EXPECT_FALSE(asked);
  ::unsetenv("QZ_UI");
  // A window system that cannot start leaves the console.
  EXPECT_TRUE(win::ChooseBackend(argc, argv, factory)->IsConsole());
  EXPECT_TRUE(asked);
  ::setenv("QZ_UI", "console", 1);
  ::unsetenv("DISPLAY");
}

}  // namespace
