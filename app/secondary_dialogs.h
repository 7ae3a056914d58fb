// The small dialogs of the installer: the quit confirmation, the
// overwrite-or-update question and the folder browser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dialog/dialog_framework.h"
#include "platform/dialog/folder_browser.h"

namespace qz {

// "Reallly Quit installing Quenda Zorvel?": OK for Yes, Cancel for No.
class CReallyQuit : public win::CDialog {
 public:
  explicit CReallyQuit(win::CWnd* parent = nullptr);
};

// "Overwrite or Update?" over an existing installation; overwrite is
// preselected on every run.
class CUpdateOnly : public win::CDialog {
 public:
  explicit CUpdateOnly(win::CWnd* parent = nullptr);

  // 1 when "Update Installation" is checked, else 0.
  int32_t m_updateChoice = 0;

 protected:
  void DoDataExchange(win::CDataExchange* exchange) override;
  win::BOOL OnInitDialog() override;
};

// The shell's folder browser with a folder preselected and the highlighted
// folder's path in its status line.
class CFolderDialog {
 public:
  CFolderDialog();
  virtual ~CFolderDialog() = default;
  CFolderDialog(const CFolderDialog&) = delete;
  CFolderDialog& operator=(const CFolderDialog&) = delete;

  // IDOK with the chosen folder set to the browser's result, or IDCANCEL
  // with the chosen folder equal to the initial folder.
  virtual win::INT_PTR DoModal();
  virtual void OnInitialized();
  virtual void OnSelectionChanged(win::PCIDLIST_ABSOLUTE item);
  virtual void Dispatch(win::HWND window, win::UINT message, win::LPARAM parameter);

  // The function to hand the shell, with the wrapper as its data.
  static int BrowseCallback(win::HWND window, win::UINT message, win::LPARAM parameter, win::LPARAM data);

  win::BROWSEINFOW m_browseInfo;
  std::u16string m_initialFolder;
  std::u16string m_chosenFolder;
  char16_t m_displayName[2048] = {};
  char16_t m_path[2048] = {};
  win::HWND m_browseWindow = nullptr;
};

// The status line's form of a path: its first 35 characters and "..." when
// it is longer.
std::u16string ShortenPathForStatus(std::u16string_view path);

}  // namespace qz
