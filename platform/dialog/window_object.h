// The state of one window as the framework keeps it; backends read it to
// show the window and report the user's changes through dialog_backend.h.
// Not for the application: it uses the handle functions of window.h.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog/window.h"

namespace win {

class CWnd;
class CDialog;
struct FolderBrowserState;

enum class WindowKind { dialog, button, edit, staticText, comboBox, scrollBar, folderBrowser, plain };

struct DialogState {
  CDialog* owner = nullptr;  // null for a folder browser
  unsigned templateId = 0;
  SIZE baseUnits;  // of the dialog font, for dialog units
  std::unique_ptr<FontObject> font;
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
};

struct WindowObject {
  WindowKind kind = WindowKind::plain;
  std::u16string className;
  std::u16string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
  HWND parent = nullptr;        // the parent of a child, the owner of a top-level window
  std::vector<HWND> children;   // in creation (tab) order
  RECT rect;                    // parent's client coordinates for a child, screen for a top-level window
  WNDPROC proc = nullptr;       // the current procedure
  WNDPROC classProc = nullptr;  // the procedure of the window's class
  std::vector<std::pair<std::u16string, void*>> properties;
  LONG_PTR userData = 0;
  CWnd* permanent = nullptr;  // the framework object attached to the window
  std::unique_ptr<CWnd> temporary;
  HFONT font = nullptr;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;

  UINT check = BST_UNCHECKED;  // buttons

  size_t selectionStart = 0;  // edits: the selection, in code units
  size_t selectionEnd = 0;
  std::u16string undoText;  // edits: one level of undo
  bool hasUndo = false;
  bool nativeInput = false;    // a backend delivers the user's own input
  bool nativeDefault = false;  // ... and the class procedure received it

  std::vector<std::u16string> items;  // combo boxes
  int selection = CB_ERR;
  int droppedHeight = 0;

  std::unique_ptr<DialogState> dialog;
  std::unique_ptr<FolderBrowserState> browser;

  void* peer = nullptr;  // the backend's object
  bool destroying = false;
};

// The top-level window that holds the window (itself for a top-level one).
HWND TopLevelOf(HWND window);
// A top-level window's frame: caption and borders around the client area.
RECT FrameInsets(DWORD style, DWORD exStyle);

}  // namespace win
