// Window objects: creation and destruction, messages and window procedures,
// properties, texts, enabling and visibility.
#include <algorithm>
#include <unordered_set>
#include <vector>

#include "platform/base/text.h"
#include "platform/dialog/dialog_backend.h"
#include "platform/dialog/dialog_framework.h"
#include "platform/dialog/folder_browser.h"
#include "platform/dialog/window_internal.h"

namespace win {
namespace {

struct Registry {
  std::unordered_set<HWND> windows;
  std::vector<HWND> topLevels;  // the most recently created first
};

Registry& Windows() {
  static Registry* r = new Registry;
  return *r;
}

WindowObject* Object(HWND window) { return IsWindow(window) ? window : nullptr; }

}  // namespace

namespace detail {

const WindowClass* FindWindowClass(std::u16string_view name) {
  struct Named {
    std::u16string_view name;
    WindowClass cls;
  };
  static const Named classes[] = {
      {u"button", {WindowKind::button, ButtonProc}},          {u"edit", {WindowKind::edit, EditProc}},
      {u"static", {WindowKind::staticText, StaticProc}},      {u"combobox", {WindowKind::comboBox, ComboBoxProc}},
      {u"scrollbar", {WindowKind::scrollBar, ScrollBarProc}},
  };
  for (const Named& n : classes)
    if (EqualsNoCaseAscii(n.name, name)) return &n.cls;
  return nullptr;
}

HWND NewWindow(WindowKind kind, std::u16string_view className, std::u16string_view text, DWORD style, DWORD exStyle,
               RECT rect, HWND parent, int id, WNDPROC procedure, const std::function<void(WindowObject&)>& prepare) {
  auto* w = new WindowObject;
  w->kind = kind;
  w->className = className;
  w->text = text;
  w->style = style;
  w->exStyle = exStyle;
  w->id = id;
  w->parent = parent;
  w->rect = rect;
  w->proc = procedure;
  w->classProc = procedure;
  if (prepare) prepare(*w);
  Registry& r = Windows();
  r.windows.insert(w);
  if (style & WS_CHILD)
    parent->children.push_back(w);
  else
    r.topLevels.insert(r.topLevels.begin(), w);
  ActiveBackend().Created(w);
  return w;
}

void StoreText(HWND window, std::u16string_view text) {
  if (window->text == text) return;
  window->text = text;
  if (window->kind == WindowKind::edit) {
    window->selectionStart = window->selectionEnd = 0;
    window->hasUndo = false;
  }
  ActiveBackend().Changed(window, WindowChange::text);
}

void NotifyParent(HWND control, WORD code) {
  HWND parent = control->parent;
  if (!(control->style & WS_CHILD) || !IsWindow(parent)) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(WORD(control->id), code), reinterpret_cast<LPARAM>(control));
}

}  // namespace detail

HWND TopLevelOf(HWND window) {
  while (IsWindow(window) && (window->style & WS_CHILD)) window = window->parent;
  return window;
}

BOOL IsWindow(HWND window) {
  if (!window) return FALSE;
  const Registry& r = Windows();
  return r.windows.count(window) != 0 && !window->destroying;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowObject* w = Object(window);
  if (!w || !w->proc) return 0;
  return w->proc(window, message, wParam, lParam);
}

LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!procedure) return 0;
  return procedure(window, message, wParam, lParam);
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowObject* w = Object(window);
  if (!w) return 0;
  switch (message) {
    case WM_SETTEXT:
      detail::StoreText(w, lParam ? std::u16string_view(reinterpret_cast<const char16_t*>(lParam)) : u"");
      return TRUE;
    case WM_GETTEXTLENGTH:
      return LRESULT(w->text.size());
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char16_t*>(lParam);
      if (!buffer || wParam == 0) return 0;
      size_t n = std::min<size_t>(w->text.size(), wParam - 1);
      std::copy_n(w->text.data(), n, buffer);
      buffer[n] = u'\0';
      return LRESULT(n);
    }
    case WM_SETFONT:
      w->font = reinterpret_cast<HFONT>(wParam);
      ActiveBackend().Changed(w, WindowChange::font);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(w->font);
    case WM_SETICON: {
      HICON icon = reinterpret_cast<HICON>(lParam);
      HICON& slot = wParam == ICON_BIG ? w->bigIcon : w->smallIcon;
      HICON previous = slot;
      slot = icon;
      ActiveBackend().Changed(w, WindowChange::icon);
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_CLOSE:
      DestroyWindow(w);
      return 0;
    default:
      return 0;
  }
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  WindowObject* w = Object(window);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_ID:
      return w->id;
    case GWL_STYLE:
      return LONG_PTR(w->style);
    case GWL_EXSTYLE:
      return LONG_PTR(w->exStyle);
    case GWLP_USERDATA:
      return w->userData;
    default:
      return 0;
  }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  WindowObject* w = Object(window);
  if (!w) return 0;
  LONG_PTR previous = GetWindowLongPtrW(window, index);
  switch (index) {
    case GWLP_WNDPROC:
      w->proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GWLP_ID:
      w->id = int(value);
      break;
    case GWL_STYLE:
      w->style = DWORD(value);
      ActiveBackend().Changed(w, WindowChange::enabled);
      ActiveBackend().Changed(w, WindowChange::visible);
      break;
    case GWL_EXSTYLE:
      w->exStyle = DWORD(value);
      break;
    case GWLP_USERDATA:
      w->userData = value;
      break;
    default:
      return 0;
  }
  return previous;
}

BOOL SetPropW(HWND window, std::u16string_view name, void* data) {
  WindowObject* w = Object(window);
  if (!w) return FALSE;
  for (auto& [key, value] : w->properties) {
    if (EqualsNoCaseAscii(key, name)) {
      value = data;
      return TRUE;
    }
  }
  w->properties.emplace_back(std::u16string(name), data);
  return TRUE;
}

void* GetPropW(HWND window, std::u16string_view name) {
  // Properties stay readable while WM_DESTROY runs, as subclasses need them then.
  if (!window || !Windows().windows.count(window)) return nullptr;
  for (const auto& [key, value] : window->properties)
    if (EqualsNoCaseAscii(key, name)) return value;
  return nullptr;
}

void* RemovePropW(HWND window, std::u16string_view name) {
  if (!window || !Windows().windows.count(window)) return nullptr;
  auto& props = window->properties;
  for (auto it = props.begin(); it != props.end(); ++it) {
    if (EqualsNoCaseAscii(it->first, name)) {
      void* data = it->second;
      props.erase(it);
      return data;
    }
  }
  return nullptr;
}

HWND CreateWindowExW(DWORD exStyle, std::u16string_view className, std::u16string_view text, DWORD style, int x, int y,
                     int width, int height, HWND parent, int id) {
  const detail::WindowClass* cls = detail::FindWindowClass(className);
  if (!cls) return nullptr;
  if ((style & WS_CHILD) && !IsWindow(parent)) return nullptr;
  RECT rect{x, y, x + width, y + height};
  if (cls->kind == WindowKind::comboBox) {
    // The template's height is that of the opened list; the window keeps
    // the closed height, which the font decides.
    HFONT font = parent ? reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr;
    FontObject fallback;
    rect.bottom = rect.top + ActiveBackend().ComboBoxHeight(font ? *font : fallback);
  }
  HWND w = detail::NewWindow(cls->kind, className, text, style, exStyle, rect, parent, id, cls->procedure);
  if (cls->kind == WindowKind::comboBox) w->droppedHeight = height;
  SendMessageW(w, WM_CREATE, 0, 0);
  return w;
}

BOOL DestroyWindow(HWND window) {
  WindowObject* w = Object(window);
  if (!w) return FALSE;
  SendMessageW(w, WM_DESTROY, 0, 0);
  std::vector<HWND> children = w->children;
  for (HWND child : children) DestroyWindow(child);
  // Top-level windows that this one owns go with it.
  std::vector<HWND> owned;
  for (HWND top : Windows().topLevels)
    if (top->parent == w) owned.push_back(top);
  for (HWND o : owned) DestroyWindow(o);
  if (!IsWindow(w)) return TRUE;
  w->destroying = true;
  detail::KillWindowTimers(w);
  ActiveBackend().Destroying(w);
  if (w->permanent) w->permanent->m_hWnd = nullptr;
  Registry& r = Windows();
  if (w->style & WS_CHILD) {
    if (Windows().windows.count(w->parent)) {
      auto& siblings = w->parent->children;
      siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    }
  } else {
    r.topLevels.erase(std::remove(r.topLevels.begin(), r.topLevels.end(), w), r.topLevels.end());
  }
  r.windows.erase(w);
  delete w;
  return TRUE;
}

HWND GetParent(HWND window) {
  WindowObject* w = Object(window);
  return w ? w->parent : nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
  WindowObject* w = Object(dialog);
  if (!w) return nullptr;
  for (HWND child : w->children)
    if (child->id == id) return child;
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  WindowObject* w = Object(window);
  return w ? w->id : 0;
}

BOOL SetWindowTextW(HWND window, std::u16string_view text) {
  if (!IsWindow(window)) return FALSE;
  std::u16string copy(text);
  return BOOL(SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())));
}

std::u16string GetWindowTextW(HWND window) {
  if (!IsWindow(window)) return {};
  size_t length = size_t(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::u16string text(length + 1, u'\0');
  size_t copied = size_t(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(std::min(copied, length));
  return text;
}

BOOL SetDlgItemTextW(HWND dialog, int id, std::u16string_view text) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SetWindowTextW(item, text) : FALSE;
}

std::u16string GetDlgItemTextW(HWND dialog, int id) { return GetWindowTextW(GetDlgItem(dialog, id)); }

BOOL EnableWindow(HWND window, BOOL enable) {
  WindowObject* w = Object(window);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
  if (enable)
    w->style &= ~DWORD(WS_DISABLED);
  else
    w->style |= WS_DISABLED;
  if (wasDisabled != !enable) ActiveBackend().Changed(w, WindowChange::enabled);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  WindowObject* w = Object(window);
  return w && !(w->style & WS_DISABLED);
}

BOOL ShowWindow(HWND window, int command) {
  WindowObject* w = Object(window);
  if (!w) return FALSE;
  BOOL wasVisible = (w->style & WS_VISIBLE) != 0;
  bool show = command != SW_HIDE;
  if (show == bool(wasVisible)) return wasVisible;
  if (show)
    w->style |= WS_VISIBLE;
  else
    w->style &= ~DWORD(WS_VISIBLE);
  SendMessageW(w, WM_SHOWWINDOW, show, 0);
  ActiveBackend().Changed(w, WindowChange::visible);
  return wasVisible;
}

BOOL IsWindowVisible(HWND window) {
  for (WindowObject* w = Object(window); w; w = (w->style & WS_CHILD) ? Object(w->parent) : nullptr) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!(w->style & WS_CHILD)) return TRUE;
  }
  return FALSE;
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  WindowObject* w = Object(dialog);
  if (!w) return FALSE;
  for (HWND child : w->children) {
    if (child->id < firstId || child->id > lastId) continue;
    SendMessageW(child, BM_SETCHECK, child->id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item ? UINT(SendMessageW(item, BM_GETCHECK, 0, 0)) : BST_UNCHECKED;
}

bool DeliverNativeInput(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowObject* w = Object(control);
  if (!w) return false;
  w->nativeInput = true;
  w->nativeDefault = false;
  SendMessageW(control, message, wParam, lParam);
  if (!IsWindow(control)) return false;
  bool reached = w->nativeDefault;
  w->nativeInput = false;
  w->nativeDefault = false;
  return reached;
}

void NotifyEditChanged(HWND edit, std::u16string_view text, size_t selectionStart, size_t selectionEnd) {
  WindowObject* w = Object(edit);
  if (!w) return;
  bool changed = w->text != text;
  w->text = text;
  w->selectionStart = std::min(selectionStart, w->text.size());
  w->selectionEnd = std::min(selectionEnd, w->text.size());
  if (changed) detail::NotifyParent(edit, EN_CHANGE);
}

void NotifyComboSelection(HWND combo, int index) {
  WindowObject* w = Object(combo);
  if (!w || index < 0 || size_t(index) >= w->items.size()) return;
  w->selection = index;
  detail::NotifyParent(combo, CBN_SELCHANGE);
}

void NotifyButtonClicked(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

void NotifyCloseRequested(HWND window) {
  if (IsWindow(window) && IsWindowEnabled(window)) SendMessageW(window, WM_CLOSE, 0, 0);
}

int DefaultButtonId(HWND dialog) {
  WindowObject* w = Object(dialog);
  if (!w) return IDOK;
  for (HWND child : w->children)
    if (child->kind == WindowKind::button && (child->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return child->id;
  return IDOK;
}

HFONT CreatePointFont(int pointTenths, std::u16string_view face) {
  if (face.empty() || pointTenths <= 0) return nullptr;
  auto* font = new FontObject;
  font->face = face;
  font->pointTenths = pointTenths;
  return font;
}

BOOL DeleteObject(HFONT font) {
  delete font;
  return font != nullptr;
}

}  // namespace win
