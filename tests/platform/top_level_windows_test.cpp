#include "platform/top_level_windows.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/text.h"

namespace {

using namespace std::chrono_literals;

// An Xvfb display of our own, for the length of the test suite's process.
class XvfbDisplay : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (::system("command -v Xvfb >/dev/null 2>&1") != 0) return;
    display_ = ":" + std::to_string(90 + ::getpid() % 500);
    server_ = ::fork();
    if (server_ == 0) {
      ::execlp("Xvfb", "Xvfb", display_.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24", nullptr);
      ::_exit(127);
    }
    std::string lock = "/tmp/.X11-unix/X" + display_.substr(1);
    for (int i = 0; i < 100 && ::access(lock.c_str(), F_OK) != 0; ++i) std::this_thread::sleep_for(50ms);
  }
  static void TearDownTestSuite() {
    if (server_ > 0) {
      ::kill(server_, SIGTERM);
      ::waitpid(server_, nullptr, 0);
    }
  }
  void SetUp() override {
    if (server_ <= 0) GTEST_SKIP() << "Xvfb is not installed";
    ::setenv("DISPLAY", display_.c_str(), 1);
    win::SetTopLevelWindowSystem(nullptr);
  }
  void TearDown() override {
    for (pid_t c : clients_) {
      ::kill(c, SIGTERM);
      ::waitpid(c, nullptr, 0);
    }
    win::SetTopLevelWindowSystem(nullptr);
    ::unsetenv("DISPLAY");
  }
  // Starts a test window and waits until it is listed.
  win::TopLevelWindow StartWindow(const std::string& title, const char* behaviour) {
    int out[2];
    if (::pipe(out) != 0) return 0;
    pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(out[1], 1);
      ::execl(QZXTESTWINDOW_PATH, "qzxtestwindow", title.c_str(), behaviour, "30", nullptr);
      ::_exit(127);
    }
    ::close(out[1]);
    clients_.push_back(pid);
    char line[32] = {};
    ssize_t n = ::read(out[0], line, sizeof line - 1);
    ::close(out[0]);
    return n > 0 ? win::TopLevelWindow(std::strtoul(line, nullptr, 10)) : 0;
  }
  bool Gone(win::TopLevelWindow w) {
    for (int i = 0; i < 50; ++i) {
      if (!win::IsTopLevelWindow(w)) return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

  static inline std::string display_;
  static inline pid_t server_ = 0;
  std::vector<pid_t> clients_;
};

TEST_F(XvfbDisplay, ListsTitlesFromTheTopAndClosesOnRequest) {
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
