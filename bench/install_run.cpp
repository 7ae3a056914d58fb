// qz_install_run: one silent installation of the embedded payload into the
// emulated machine of $QZ_SYSTEM_ROOT, the way the main dialog runs it once
// its countdown has ended: Install Now, the worker on its own thread, then
// the post-install sequence. The dialog's countdown and its 200 ms polling
// are left out, so that the process holds only the installation itself;
// every pause the installation takes is real and is timed on its own.
//
// Prints one line of key=value pairs:
//   install_s   Install Now to the end of the post-install sequence
//   worker_s    Install Now to the worker's done flag
//   post_s      the post-install sequence
//   pauses      the number of pauses (the 500 ms waits before preview DLLs)
//   pause_s     their measured total
//   update      1 when the run was an update installation
//   user_s sys_s peak_kib   the process's CPU times and peak resident size
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "base/install_state.h"
#include "desktop/registry_entries.h"
#include "engine/database_sync.h"
#include "engine/install_driver.h"
#include "engine/install_worker.h"
#include "payload/embedded_catalogue.h"
#include "platform/base/text.h"
#include "platform/win/runtime.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// Every pause really waits; the recorder only times it.
class PauseRecorder {
 public:
  void Pause(unsigned milliseconds) {
    Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    std::lock_guard<std::mutex> lock(mutex_);
    ++count_;
    seconds_ += SecondsBetween(start, Clock::now());
  }
  int Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
  }
  double Seconds() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seconds_;
  }

 private:
  std::mutex mutex_;
  int count_ = 0;
  double seconds_ = 0;
};

// The main dialog as the driver sees it, without a window: the directory
// and build choice a silent run has, a timer that the run ticks itself.
class HeadlessDialog : public qz::InstallDialog {
 public:
  void ExchangeData(bool) override {}
  std::u16string DirectoryText() const override { return u"C:\\Program Files\\Ombra\\QuendaZorvel"; }
  int SelectedVersion() const override { return 1; }
  void EnableControl(int, bool) override {}
  void SetInstalling(bool) override {}
  void ShowStatusNow(std::u16string_view) override {}
  void ClearStatusText() override {}
  void RepaintNow() override {}
  uintptr_t SetTimer(uintptr_t id, unsigned) override { return id; }
  void KillTimer(uintptr_t) override {}
  void SetTimerId(uintptr_t id) override { timerId = id; }
  std::optional<bool> AskOverwriteOrUpdate() override { return true; }
  void CloseWithOk() override { closed = true; }
  win::HWND Window() const override { return nullptr; }

  uintptr_t timerId = 0;
  bool closed = false;
};

void WaitForWorker() {
  while (!qz::SharedInstallState().InstallDone()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

}  // namespace

int main() {
  qz::InitializeRegistryViewFlag();
  qz::UseCatalogue(qz::EmbeddedCatalogue());
  win::SetApplicationTitle(u"QuendaZorvelSetup");
  qz::SharedInstallState().silentInstall = true;
  PauseRecorder pauses;
  win::SetSleepHook([&pauses](unsigned ms) { pauses.Pause(ms); });

  HeadlessDialog dialog;
  const Clock::time_point start = Clock::now();
  qz::OnInstallNow(dialog);
  if (dialog.timerId == 0) {
    std::fprintf(stderr, "qz_install_run: Install Now started no installation\n");
    return 1;
  }
  WaitForWorker();
  const Clock::time_point workerDone = Clock::now();
  qz::OnInstallTimer(dialog, dialog.timerId);
  const Clock::time_point end = Clock::now();
  if (!dialog.closed) {
    std::fprintf(stderr, "qz_install_run: the post-install sequence did not end\n");
    return 1;
  }

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("install_s=%.4f worker_s=%.4f post_s=%.4f pauses=%d pause_s=%.4f update=%d user_s=%.3f sys_s=%.3f "
              "peak_kib=%ld\n",
              SecondsBetween(start, end), SecondsBetween(start, workerDone), SecondsBetween(workerDone, end),
              pauses.Count(), pauses.Seconds(), qz::SharedInstallState().updateInstall, Seconds(usage.ru_utime),
              Seconds(usage.ru_stime), usage.ru_maxrss);
  return 0;
}
