// The installation driver: Install Now to the end of the post-install
// sequence, run on the dialog's thread inside the main installer dialog.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/win_types.h"

namespace qz {

// What the driver needs of the main dialog.
class InstallDialog {
 public:
  virtual ~InstallDialog() = default;

  // The dialog's data exchange: controls to members (true) or back.
  virtual void ExchangeData(bool readControls) = 0;
  virtual std::u16string DirectoryText() const = 0;
  // The selected index of the executable-version list (0 x86, 1 x64, 2 both).
  virtual int SelectedVersion() const = 0;
  virtual void EnableControl(int id, bool enable) = 0;
  // The installing flag, which the data exchange turns into disabled controls.
  virtual void SetInstalling(bool installing) = 0;
  // Puts the text into the status line member and control, and repaints at once.
  virtual void ShowStatusNow(std::u16string_view text) = 0;
  virtual void ClearStatusText() = 0;
  virtual void RepaintNow() = 0;
  // SetTimer on the dialog: the timer's id, 0 when it could not be set.
  virtual uintptr_t SetTimer(uintptr_t id, unsigned milliseconds) = 0;
  virtual void KillTimer(uintptr_t id) = 0;
  virtual void SetTimerId(uintptr_t id) = 0;
  // The overwrite-or-update question: nothing when cancelled, else whether
  // "Update Installation" was chosen.
  virtual std::optional<bool> AskOverwriteOrUpdate() = 0;
  // Ends the modal dialog as OK does (the data exchange runs once more).
  virtual void CloseWithOk() = 0;
  // The dialog's window, the owner of its message boxes.
  virtual win::HWND Window() const = 0;
};

// True for "Quenda Zorvel" alone or followed by " -" and more; the
// installer's own "Quenda Zorvel Installer" is not the product.
bool IsProductWindowTitle(std::u16string_view title);

// Install Now: closes running copies of the product, warns a user without
// administrator rights, creates the directory, decides between overwrite
// and update, fills the shared install state and starts the worker with a
// 200 ms timer. Stops, starting nothing, when a check fails.
void OnInstallNow(InstallDialog& dialog);

// A tick of the dialog's timer once no countdown runs: the worker's status
// while it works, then the post-install sequence and the end of the dialog.
void OnInstallTimer(InstallDialog& dialog, uintptr_t timerId);

// The steps after the worker is done: links, uninstall.info, preview
// handlers, stamp.bin, the success message, registry entries and the launch.
void RunPostInstallSequence(InstallDialog& dialog);

}  // namespace qz
