#include "platform/win/runtime.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/base/console.h"
#include "platform/base/text.h"
#include "platform/host/host_process.h"
#include "platform/win/message_box.h"

namespace win {
namespace {

struct RuntimeState {
  std::mutex mutex;
  std::u16string title;
  SleepHook sleepHook;
};

RuntimeState& State() {
  static RuntimeState* s = new RuntimeState;
  return *s;
}

std::u16string TitleFromExecutable() {
  std::string path = host::ExecutablePath();
  if (path.empty()) path = "setup";
  std::string name = path.substr(path.rfind('/') + 1);
  if (size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
  return Utf8ToWide(name);
}

}  // namespace

std::u16string ApplicationTitle() {
  RuntimeState& s = State();
  std::lock_guard lock(s.mutex);
  if (s.title.empty()) s.title = TitleFromExecutable();
  return s.title;
}

void SetApplicationTitle(std::u16string_view title) {
  RuntimeState& s = State();
  std::lock_guard lock(s.mutex);
  s.title = title;
}

void Sleep(unsigned milliseconds) {
  SleepHook hook;
  {
    RuntimeState& s = State();
    std::lock_guard lock(s.mutex);
    hook = s.sleepHook;
  }
  if (hook) {
    hook(milliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SetSleepHook(SleepHook hook) {
  RuntimeState& s = State();
  std::lock_guard lock(s.mutex);
  s.sleepHook = std::move(hook);
}

void ExitProcess(int status) {
  {
    std::lock_guard lock(ConsoleMutex());
    std::fflush(stdout);
    std::fflush(stderr);
  }
  host::ExitNow(status);
}

void ExitOutOfMemory() {
  MessageBox(nullptr, u"Out of Memory!", ApplicationTitle(), MB_OK | MB_ICONWARNING);
  ExitProcess(-1);
}

}  // namespace win
