// An Xvfb display of the test process's own, and X test windows on it
// (qzxtestwindow), for the tests of closing running copies of the product.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/dialog/top_level_windows.h"

namespace qztest {

class XvfbDisplay {
 public:
  // Starts the server once per process; false when Xvfb is not installed.
  static bool Start();
  static void Stop();
  // Points DISPLAY at the server and the window list at the display.
  static void Use();

  // Starts a window with the title that closes on a close request or
  // ignores it; returns its id once it is listed (0 on failure).
  win::TopLevelWindow StartWindow(const std::string& title, bool closes);
  void StopWindows();

 private:
  static std::string display_;
  static pid_t server_;
  std::vector<pid_t> clients_;
};

}  // namespace qztest
