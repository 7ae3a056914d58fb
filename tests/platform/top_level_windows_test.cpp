#include "platform/dialog/top_level_windows.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/base/text.h"
#include "tests/support/xvfb_display.h"

namespace {

using namespace std::chrono_literals;

class XvfbWindows : public ::testing::Test {
 protected:
  static void TearDownTestSuite() { qztest::XvfbDisplay::Stop(); }
  void SetUp() override {
    if (!qztest::XvfbDisplay::Start()) GTEST_SKIP() << "Xvfb is not installed";
    qztest::XvfbDisplay::Use();
  }
  void TearDown() override {
    display_.StopWindows();
    win::SetTopLevelWindowSystem(nullptr);
    ::unsetenv("DISPLAY");
  }
  win::TopLevelWindow StartWindow(const std::string& title, const char* behaviour) {
    return display_.StartWindow(title, std::string(behaviour) == "closes");
  }
  bool Gone(win::TopLevelWindow w) {
    for (int i = 0; i < 50; ++i) {
      if (!win::IsTopLevelWindow(w)) return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

  qztest::XvfbDisplay display_;
};

TEST_F(XvfbWindows, ListsTitlesFromTheTopAndClosesOnRequest) {
  win::TopLevelWindow first = StartWindow("Quenda Zorvel - test.asc", "closes");
  win::TopLevelWindow second = StartWindow("Quenda Zorvel", "ignores");
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  // The later window is mapped on top.
  EXPECT_EQ(win::GetTopLevelWindow(), second);
  EXPECT_EQ(win::GetNextTopLevelWindow(second), first);
  EXPECT_EQ(win::GetTopLevelWindowText(first, 1023), u"Quenda Zorvel - test.asc");
  EXPECT_EQ(win::GetTopLevelWindowText(first, 7), u"Quenda");
  win::SendCloseMessage(first);
  EXPECT_TRUE(Gone(first));
  win::SendCloseMessage(second);
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(win::IsTopLevelWindow(second));  // it ignores the request and stays
}

TEST(TopLevelWindows, WithoutADisplayThereAreNone) {
  ::unsetenv("DISPLAY");
  win::SetTopLevelWindowSystem(nullptr);
  EXPECT_EQ(win::GetTopLevelWindow(), 0u);
  EXPECT_FALSE(win::IsTopLevelWindow(42));
  win::SetTopLevelWindowSystem(nullptr);
}

}  // namespace
