// The shared install state: what the dialog's thread hands the install
// worker, and the two values through which the worker reports back.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace qz {

class InstallState {
 public:
  static constexpr size_t kMaxText = 1023;

  // Written by the driver before the worker starts and read by both threads
  // only while the worker does not run or does not change them.
  std::u16string targetDirectory;  // as checked and created, never cut
  int32_t executableChoice = 0;    // 0 = x86, 1 = x64, 2 = both
  int32_t updateInstall = 0;       // 1 = update, 0 = overwrite
  bool silentInstall = false;      // the AcceptedLicense switch

  // The worker's status line; the dialog's copy is always whole.
  void SetStatusText(std::u16string_view text);
  std::u16string StatusText() const;

  // Set by the worker after its last file operation; once a reader sees it,
  // every file operation of the worker is complete and visible.
  void SetInstallDone(bool done) { installDone_.store(done, std::memory_order_release); }
  bool InstallDone() const { return installDone_.load(std::memory_order_acquire); }

 private:
  mutable std::mutex statusMutex_;
  std::u16string statusText_;
  std::atomic<bool> installDone_{false};
};

// The process-wide state that the driver and the worker share.
InstallState& SharedInstallState();

}  // namespace qz
