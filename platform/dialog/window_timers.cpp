// Window timers: WM_TIMER with the timer's id at its period, served by the
// backend's loop.
#include <algorithm>
#include <vector>

#include "platform/dialog/dialog_backend.h"
#include "platform/dialog/window_internal.h"

namespace win {
namespace {

struct Timer {
  HWND window;
  UINT_PTR id;
  UINT period;
  DialogBackend::Clock::time_point due;
};

std::vector<Timer>& Timers() {
  static std::vector<Timer>* t = new std::vector<Timer>;
  return *t;
}

std::vector<Timer>::iterator Find(HWND window, UINT_PTR id) {
  auto& timers = Timers();
  return std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == window && t.id == id; });
}

}  // namespace

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void*) {
  if (!IsWindow(window) || id == 0) return 0;
  // Windows raises periods below 10 ms to 10 ms.
  UINT period = std::max<UINT>(milliseconds, 10);
  auto due = ActiveBackend().Now() + std::chrono::milliseconds(period);
  auto it = Find(window, id);
  if (it != Timers().end()) {
    it->period = period;
    it->due = due;
  } else {
    Timers().push_back({window, id, period, due});
  }
  ActiveBackend().TimerChanged(window, id, period);
  return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  auto it = Find(window, id);
  if (it == Timers().end()) return FALSE;
  Timers().erase(it);
  ActiveBackend().TimerChanged(window, id, 0);
  return TRUE;
}

UINT TimerPeriod(HWND window, UINT_PTR id) {
  auto it = Find(window, id);
  return it == Timers().end() ? 0 : it->period;
}

void FireTimer(HWND window, UINT_PTR id) {
  auto it = Find(window, id);
  if (it == Timers().end() || !IsWindow(window)) return;
  it->due = ActiveBackend().Now() + std::chrono::milliseconds(it->period);
  SendMessageW(window, WM_TIMER, id, 0);
}

bool NextTimerDue(DialogBackend::Clock::time_point* due) {
  const auto& timers = Timers();
  if (timers.empty()) return false;
  auto earliest =
      std::min_element(timers.begin(), timers.end(), [](const Timer& a, const Timer& b) { return a.due < b.due; });
  *due = earliest->due;
  return true;
}

void FireDueTimers(DialogBackend::Clock::time_point now) {
  std::vector<Timer> due;
  for (const Timer& t : Timers())
    if (t.due <= now) due.push_back(t);
  std::stable_sort(due.begin(), due.end(), [](const Timer& a, const Timer& b) { return a.due < b.due; });
  for (const Timer& t : due) {
    // A handler may have killed or reset a timer that was due.
    auto it = Find(t.window, t.id);
    if (it == Timers().end() || it->due > now) continue;
    it->due = now + std::chrono::milliseconds(it->period);
    SendMessageW(t.window, WM_TIMER, t.id, 0);
  }
}

namespace detail {

void KillWindowTimers(HWND window) {
  auto& timers = Timers();
  std::vector<UINT_PTR> ids;
  for (const Timer& t : timers)
    if (t.window == window) ids.push_back(t.id);
  for (UINT_PTR id : ids) KillTimer(window, id);
}

}  // namespace detail
}  // namespace win
