#include "platform/dialog/top_level_windows.h"

#include <algorithm>
#include <mutex>

namespace win {

std::unique_ptr<TopLevelWindowSystem> MakeDisplayWindowSystem();

namespace {

struct Current {
  std::mutex mutex;
  std::unique_ptr<TopLevelWindowSystem> system;
};

Current& State() {
  static Current* state = new Current;
  return *state;
}

}  // namespace

TopLevelWindowSystem& TopLevelWindows() {
  Current& s = State();
  std::lock_guard lock(s.mutex);
  if (!s.system) s.system = MakeDisplayWindowSystem();
  return *s.system;
}

void SetTopLevelWindowSystem(std::unique_ptr<TopLevelWindowSystem> system) {
  Current& s = State();
  std::lock_guard lock(s.mutex);
  s.system = std::move(system);
}

TopLevelWindow GetTopLevelWindow() {
  std::vector<TopLevelWindow> all = TopLevelWindows().FromTop();
  return all.empty() ? 0 : all.front();
}

TopLevelWindow GetNextTopLevelWindow(TopLevelWindow window) {
  std::vector<TopLevelWindow> all = TopLevelWindows().FromTop();
  auto it = std::find(all.begin(), all.end(), window);
  if (it == all.end() || ++it == all.end()) return 0;
  return *it;
}

std::u16string GetTopLevelWindowText(TopLevelWindow window, int maxCount) {
  if (window == 0 || maxCount <= 0) return {};
  std::u16string title = TopLevelWindows().Title(window).value_or(u"");
  if (title.size() > size_t(maxCount - 1)) title.resize(size_t(maxCount - 1));
  return title;
}

void SendCloseMessage(TopLevelWindow window) {
  if (window != 0) TopLevelWindows().RequestClose(window);
}

bool IsTopLevelWindow(TopLevelWindow window) { return window != 0 && TopLevelWindows().Exists(window); }

}  // namespace win
