// The shell's folder browser over the emulated machine's drives: a modal
// window with a folder tree, an optional status line and OK and Cancel,
// whose caller follows it through a callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog/window.h"
#include "platform/win/com.h"

namespace win {

// An item of the shell namespace: a folder of a drive, or the computer (the
// root of the tree, which has no file-system path).
struct ITEMIDLIST;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;

using BFFCALLBACK = int (*)(HWND window, UINT message, LPARAM parameter, LPARAM data);

struct BROWSEINFOW {
  HWND hwndOwner = nullptr;
  PCIDLIST_ABSOLUTE pidlRoot = nullptr;  // only null (the whole namespace) is supported
  char16_t* pszDisplayName = nullptr;    // MAX_PATH characters: the chosen item's name
  const char16_t* lpszTitle = nullptr;
  UINT ulFlags = 0;
  BFFCALLBACK lpfn = nullptr;
  LPARAM lParam = 0;
  int iImage = 0;
};

enum : UINT { BIF_RETURNONLYFSDIRS = 0x0001, BIF_STATUSTEXT = 0x0004 };

// Callback messages, and messages the callback sends to the browser window.
enum : UINT {
  BFFM_INITIALIZED = 1,
  BFFM_SELCHANGED = 2,
  BFFM_SETSELECTIONW = WM_USER + 103,  // wParam TRUE: lParam is a path; FALSE: an item
  BFFM_SETSTATUSTEXTW = WM_USER + 104,
};

// Runs the browser modally. The chosen item, to be freed with the shell's
// allocator, or null when the user cancelled.
PIDLIST_ABSOLUTE SHBrowseForFolderW(BROWSEINFOW* info);
// Writes the item's path (at most MAX_PATH characters with the terminator).
// False for an item without one, or a path too long for the buffer.
BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE item, char16_t* path);

// The shell's allocator, whose Free releases the items it returns.
struct IMalloc : IUnknown {
  virtual void Free(void* block) = 0;

 protected:
  ~IMalloc() = default;
};
HRESULT SHGetMalloc(IMalloc** allocator);

// --- For the backends ------------------------------------------------------

struct FolderBrowserState {
  BROWSEINFOW info;
  std::u16string title;
  std::u16string statusText;
  std::u16string selection;  // the selected folder; empty for the computer
};

bool IsFolderBrowser(HWND window);
// The root folders of the tree: the drives of the machine ("C:\", ...).
std::vector<std::u16string> BrowserDrives();
// The folders directly inside a folder, sorted without regard to case.
std::vector<std::u16string> BrowserSubfolders(const std::u16string& folder);
// The user selected a folder (empty: the computer); BFFM_SELCHANGED follows.
void NotifyBrowserSelection(HWND browser, std::u16string_view folder);
// Whether OK may close the browser with its current selection.
bool BrowserCanAccept(HWND browser);

}  // namespace win
