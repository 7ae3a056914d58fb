// Windows of the dialog framework: window objects addressed by handle, their
// messages and window procedures, properties, texts, geometry, timers and
// system metrics. The framework keeps every window's state; a backend (a
// window system or the console) shows it and feeds the user's input back as
// messages. All of it belongs to the window thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/base/win_base.h"

namespace win {

using UINT = unsigned;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;
using INT_PTR = intptr_t;
using LONG_PTR = intptr_t;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct FontObject;
using HFONT = FontObject*;
struct IconObject;
using HICON = const IconObject*;

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;

  LONG Width() const { return right - left; }
  LONG Height() const { return bottom - top; }
  friend bool operator==(const RECT&, const RECT&) = default;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

constexpr WORD LOWORD(uintptr_t v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(uintptr_t v) { return BYTE(v & 0xFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) { return WPARAM(low) | (WPARAM(high) << 16); }
constexpr LPARAM MAKELPARAM(WORD low, WORD high) { return LPARAM(DWORD(low) | (DWORD(high) << 16)); }

// Window styles.
enum : DWORD {
  WS_OVERLAPPED = 0x00000000,
  WS_POPUP = 0x80000000,
  WS_CHILD = 0x40000000,
  WS_VISIBLE = 0x10000000,
  WS_DISABLED = 0x08000000,
  WS_CLIPSIBLINGS = 0x04000000,
  WS_CLIPCHILDREN = 0x02000000,
  WS_CAPTION = 0x00C00000,
  WS_BORDER = 0x00800000,
  WS_DLGFRAME = 0x00400000,
  WS_VSCROLL = 0x00200000,
  WS_HSCROLL = 0x00100000,
  WS_SYSMENU = 0x00080000,
  WS_THICKFRAME = 0x00040000,
  WS_GROUP = 0x00020000,
  WS_TABSTOP = 0x00010000,
  WS_MINIMIZEBOX = 0x00020000,
  WS_MAXIMIZEBOX = 0x00010000,
};

enum : DWORD {
  WS_EX_DLGMODALFRAME = 0x00000001,
  WS_EX_TOPMOST = 0x00000008,
  WS_EX_TRANSPARENT = 0x00000020,
  WS_EX_CLIENTEDGE = 0x00000200,
  WS_EX_APPWINDOW = 0x00040000,
};

// Dialog, edit, button, static, combo-box and scroll-bar styles.
enum : DWORD {
  DS_ABSALIGN = 0x01,
  DS_SYSMODAL = 0x02,
  DS_FIXEDSYS = 0x08,
  DS_SETFONT = 0x40,
  DS_MODALFRAME = 0x80,
  DS_CENTER = 0x0800,
  DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS,

  ES_LEFT = 0x0000,
  ES_CENTER = 0x0001,
  ES_RIGHT = 0x0002,
  ES_MULTILINE = 0x0004,
  ES_AUTOVSCROLL = 0x0040,
  ES_AUTOHSCROLL = 0x0080,
  ES_READONLY = 0x0800,
  ES_WANTRETURN = 0x1000,

  BS_PUSHBUTTON = 0x0,
  BS_DEFPUSHBUTTON = 0x1,
  BS_CHECKBOX = 0x2,
  BS_AUTOCHECKBOX = 0x3,
  BS_RADIOBUTTON = 0x4,
  BS_GROUPBOX = 0x7,
  BS_AUTORADIOBUTTON = 0x9,
  BS_TYPEMASK = 0xF,

  SS_LEFT = 0x0,
  SS_CENTER = 0x1,
  SS_RIGHT = 0x2,
  SS_TYPEMASK = 0x1F,
  SS_NOPREFIX = 0x80,
  SS_CENTERIMAGE = 0x200,

  CBS_SIMPLE = 0x1,
  CBS_DROPDOWN = 0x2,
  CBS_DROPDOWNLIST = 0x3,
  CBS_AUTOHSCROLL = 0x40,
  CBS_SORT = 0x100,

  SBS_SIZEGRIP = 0x10,
};

// Messages.
enum : UINT {
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_MOVE = 0x0003,
  WM_SIZE = 0x0005,
  WM_SETTEXT = 0x000C,
  WM_GETTEXT = 0x000D,
  WM_GETTEXTLENGTH = 0x000E,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_SHOWWINDOW = 0x0018,
  WM_GETMINMAXINFO = 0x0024,
  WM_SETFONT = 0x0030,
  WM_GETFONT = 0x0031,
  WM_SETICON = 0x0080,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_SYSKEYDOWN = 0x0104,
  WM_INITDIALOG = 0x0110,
  WM_COMMAND = 0x0111,
  WM_TIMER = 0x0113,
  WM_CUT = 0x0300,
  WM_COPY = 0x0301,
  WM_PASTE = 0x0302,
  WM_CLEAR = 0x0303,
  WM_UNDO = 0x0304,
  WM_USER = 0x0400,

  EM_GETSEL = 0x00B0,
  EM_SETSEL = 0x00B1,
  EM_REPLACESEL = 0x00C2,
  BM_GETCHECK = 0x00F0,
  BM_SETCHECK = 0x00F1,
  BM_CLICK = 0x00F5,
  CB_ADDSTRING = 0x0143,
  CB_GETCOUNT = 0x0146,
  CB_GETCURSEL = 0x0147,
  CB_GETLBTEXT = 0x0148,
  CB_GETLBTEXTLEN = 0x0149,
  CB_RESETCONTENT = 0x014B,
  CB_SETCURSEL = 0x014E,
  DM_GETDEFID = WM_USER + 0,
};

// Notification codes of WM_COMMAND.
enum : WORD { BN_CLICKED = 0, CBN_SELCHANGE = 1, EN_CHANGE = 0x0300 };

enum : int { CB_ERR = -1 };
enum : UINT { BST_UNCHECKED = 0, BST_CHECKED = 1 };
enum : WPARAM { ICON_SMALL = 0, ICON_BIG = 1 };
enum : WPARAM { SIZE_RESTORED = 0 };
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };

// Virtual keys.
enum : WPARAM {
  VK_CANCEL = 0x03,
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_F1 = 0x70,
};

enum : int {
  GWLP_WNDPROC = -4,
  GWLP_ID = -12,
  GWL_STYLE = -16,
  GWL_EXSTYLE = -20,
  GWLP_USERDATA = -21,
};

enum : UINT {
  SWP_NOSIZE = 0x0001,
  SWP_NOMOVE = 0x0002,
  SWP_NOZORDER = 0x0004,
  SWP_NOREDRAW = 0x0008,
  SWP_NOACTIVATE = 0x0010,
  SWP_SHOWWINDOW = 0x0040,
  SWP_HIDEWINDOW = 0x0080,
};

enum : UINT {
  RDW_INVALIDATE = 0x0001,
  RDW_ERASE = 0x0004,
  RDW_ALLCHILDREN = 0x0080,
  RDW_UPDATENOW = 0x0100,
};

// System metrics.
enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,
  SM_CYHSCROLL = 3,
  SM_CYCAPTION = 4,
  SM_CXFIXEDFRAME = 7,
  SM_CYFIXEDFRAME = 8,
  SM_CXICON = 11,
  SM_CYICON = 12,
  SM_CXSIZEFRAME = 32,
  SM_CYSIZEFRAME = 33,
  SM_CXMINTRACK = 34,
  SM_CYMINTRACK = 35,
  SM_CXSMICON = 49,
  SM_CYSMICON = 50,
  SM_CXPADDEDBORDER = 92,
};

// --- Messages and window procedures ---------------------------------------

// Calls the window's current procedure; 0 for a handle that is no window.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The handling that every window gets when its procedure does not act:
// texts, fonts, icons, closing, the size limits.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// GWLP_WNDPROC (a WNDPROC), GWL_STYLE, GWL_EXSTYLE, GWLP_ID, GWLP_USERDATA.
LONG_PTR GetWindowLongPtrW(HWND window, int index);
// Returns the previous value; replacing GWLP_WNDPROC subclasses the window.
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);

// Named properties of a window: any pointer, as Windows keeps a handle.
BOOL SetPropW(HWND window, std::u16string_view name, void* data);
void* GetPropW(HWND window, std::u16string_view name);
// Removes the property and returns its data (null when it was not set).
void* RemovePropW(HWND window, std::u16string_view name);

// --- Window objects -----------------------------------------------------

// Creates a window of a registered class ("button", "edit", "static",
// "combobox", "scrollbar"; letter case does not matter). For a child,
// x, y, width and height are in the parent's client coordinates.
HWND CreateWindowExW(DWORD exStyle, std::u16string_view className, std::u16string_view text, DWORD style, int x, int y,
                     int width, int height, HWND parent, int id);
// Sends WM_DESTROY to the window and then to its children, and frees them.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// The parent of a child, the owner of a top-level window.
HWND GetParent(HWND window);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);

BOOL SetWindowTextW(HWND window, std::u16string_view text);
std::u16string GetWindowTextW(HWND window);
BOOL SetDlgItemTextW(HWND dialog, int id, std::u16string_view text);
std::u16string GetDlgItemTextW(HWND dialog, int id);

// Returns whether the window was disabled before.
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
// Returns whether the window was visible before.
BOOL ShowWindow(HWND window, int command);
// The window and all its parents carry WS_VISIBLE.
BOOL IsWindowVisible(HWND window);

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
UINT IsDlgButtonChecked(HWND dialog, int id);

// --- Geometry -------------------------------------------------------------

// Screen coordinates, the frame included.
BOOL GetWindowRect(HWND window, RECT* rect);
// Client coordinates: left and top are 0.
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
// Moves and sizes the window (client coordinates of the parent for a child,
// screen coordinates for a top-level window). A top-level window with a
// sizing border is kept within the limits of its WM_GETMINMAXINFO; WM_SIZE
// follows a change of the client size.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL RedrawWindow(HWND window, const RECT* update, void* region, UINT flags);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND window);

// a * b / c, rounded half away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);
int GetSystemMetrics(int index);

// --- Timers ----------------------------------------------------------------

// Starts or restarts timer `id` of the window: WM_TIMER with the id every
// `milliseconds`. Returns the id, or 0 when no timer could be set.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void* timerProcedure);
BOOL KillTimer(HWND window, UINT_PTR id);
// The period of a running timer, 0 when the timer does not run.
UINT TimerPeriod(HWND window, UINT_PTR id);

// --- Fonts and icons -----------------------------------------------------

struct FontObject {
  std::u16string face;
  int pointTenths = 80;  // the size in tenths of a point
  int weight = 400;
};

// A font of the face and size (in tenths of a point); null for an empty face.
HFONT CreatePointFont(int pointTenths, std::u16string_view face);
BOOL DeleteObject(HFONT font);

}  // namespace win
