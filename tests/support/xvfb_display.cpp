#include "tests/support/xvfb_display.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/subprocess.h"

namespace qztest {

using namespace std::chrono_literals;

std::string XvfbDisplay::display_;
pid_t XvfbDisplay::server_ = 0;

bool XvfbDisplay::Start() {
  if (server_ > 0) return true;
  if (!FindProgram("Xvfb")) return false;
  display_ = ":" + std::to_string(90 + ::getpid() % 500);
  server_ = ::fork();
  if (server_ == 0) {
    ::execlp("Xvfb", "Xvfb", display_.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24", nullptr);
    ::_exit(127);
  }
  std::string socket = "/tmp/.X11-unix/X" + display_.substr(1);
  for (int i = 0; i < 100 && ::access(socket.c_str(), F_OK) != 0; ++i) std::this_thread::sleep_for(50ms);
  return true;
}

void XvfbDisplay::Stop() {
  if (server_ <= 0) return;
  ::kill(server_, SIGTERM);
  ::waitpid(server_, nullptr, 0);
  server_ = 0;
}

void XvfbDisplay::Use() {
  ::setenv("DISPLAY", display_.c_str(), 1);
  win::SetTopLevelWindowSystem(nullptr);
}

win::TopLevelWindow XvfbDisplay::StartWindow(const std::string& title, bool closes) {
  int out[2];
  if (::pipe(out) != 0) return 0;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::execl(QZXTESTWINDOW_PATH, "qzxtestwindow", title.c_str(), closes ? "closes" : "ignores", "60", nullptr);
    ::_exit(127);
  }
  ::close(out[1]);
  clients_.push_back(pid);
  char line[32] = {};
  ssize_t n = ::read(out[0], line, sizeof line - 1);
  ::close(out[0]);
  return n > 0 ? win::TopLevelWindow(std::strtoul(line, nullptr, 10)) : 0;
}

void XvfbDisplay::StopWindows() {
  for (pid_t c : clients_) {
    ::kill(c, SIGTERM);
    ::waitpid(c, nullptr, 0);
  }
  clients_.clear();
}

}  // namespace qztest
