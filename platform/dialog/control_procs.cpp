// The class procedures of the controls: buttons, edits, statics, combo
// boxes and scroll bars. Input that a backend delivers from the user
// (DeliverNativeInput) is only marked as having reached the class, so that
// the backend's own control performs it; the same messages sent by code are
// performed here on the window's state.
#include <algorithm>

#include "platform/base/text.h"
#include "platform/dialog/dialog_backend.h"
#include "platform/dialog/window_internal.h"

namespace win::detail {
namespace {

// --- Buttons ----------------------------------------------------------------

bool IsAutoRadio(HWND w) { return w->kind == WindowKind::button && (w->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON; }

// The siblings from the group's first control (WS_GROUP) up to the next group.
std::vector<HWND> GroupOf(HWND control) {
  std::vector<HWND> group;
  const std::vector<HWND>& siblings = control->parent->children;
  auto self = std::find(siblings.begin(), siblings.end(), control);
  auto first = self;
  while (first != siblings.begin() && !((*first)->style & WS_GROUP)) --first;
  for (auto it = first; it != siblings.end(); ++it) {
    if (it != first && ((*it)->style & WS_GROUP)) break;
    group.push_back(*it);
  }
  return group;
}

void SetCheck(HWND w, UINT check) {
  if (w->check == check) return;
  w->check = check;
  ActiveBackend().Changed(w, WindowChange::check);
}

void Click(HWND w) {
  if (!IsWindowEnabled(w)) return;
  switch (w->style & BS_TYPEMASK) {
    case BS_AUTORADIOBUTTON:
      if (w->style & WS_CHILD)
        for (HWND sibling : GroupOf(w))
          if (IsAutoRadio(sibling) && sibling != w) SetCheck(sibling, BST_UNCHECKED);
      SetCheck(w, BST_CHECKED);
      break;
    case BS_AUTOCHECKBOX:
      SetCheck(w, w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
      break;
    default:
      break;
  }
  NotifyParent(w, BN_CLICKED);
}

// --- Edits ------------------------------------------------------------------

bool IsMultiLine(HWND w) { return (w->style & ES_MULTILINE) != 0; }
bool IsReadOnly(HWND w) { return (w->style & ES_READONLY) != 0; }

std::pair<size_t, size_t> Selection(HWND w) {
  size_t a = std::min(w->selectionStart, w->text.size());
  size_t b = std::min(w->selectionEnd, w->text.size());
  return {std::min(a, b), std::max(a, b)};
}

void SetSelection(HWND w, size_t start, size_t end) {
  w->selectionStart = std::min(start, w->text.size());
  w->selectionEnd = std::min(end, w->text.size());
  ActiveBackend().Changed(w, WindowChange::editSelection);
}

void ReplaceSelection(HWND w, std::u16string_view with, bool canUndo) {
  auto [start, end] = Selection(w);
  if (start == end && with.empty()) return;
  if (canUndo) {
    w->undoText = w->text;
    w->hasUndo = true;
  }
  w->text.replace(start, end - start, with);
  w->selectionStart = w->selectionEnd = start + with.size();
  ActiveBackend().Changed(w, WindowChange::text);
  ActiveBackend().Changed(w, WindowChange::editSelection);
  NotifyParent(w, EN_CHANGE);
}

std::u16string PastableText(HWND w, std::u16string text) {
  if (!IsMultiLine(w)) {
    size_t lineEnd = text.find_first_of(u"\r\n");
    if (lineEnd != std::u16string::npos) text.resize(lineEnd);
  }
  return text;
}

void Copy(HWND w) {
  auto [start, end] = Selection(w);
  if (start != end) ActiveBackend().SetClipboardText(std::u16string_view(w->text).substr(start, end - start));
}

void Undo(HWND w) {
  if (!w->hasUndo) return;
  std::swap(w->text, w->undoText);
  w->selectionStart = w->selectionEnd = w->text.size();
  ActiveBackend().Changed(w, WindowChange::text);
  NotifyParent(w, EN_CHANGE);
}

void Backspace(HWND w) {
  auto [start, end] = Selection(w);
  if (start == end && start > 0) SetSelection(w, start - 1, start);
  ReplaceSelection(w, u"", true);
}

// A character typed by code: what the edit does with WM_CHAR.
void TypeCharacter(HWND w, char16_t c) {
  switch (c) {
    case 0x01:
      SetSelection(w, 0, w->text.size());
      return;
    case 0x03:
      SendMessageW(w, WM_COPY, 0, 0);
      return;
    case 0x16:
      SendMessageW(w, WM_PASTE, 0, 0);
      return;
    case 0x18:
      SendMessageW(w, WM_CUT, 0, 0);
      return;
    case 0x1A:
      SendMessageW(w, WM_UNDO, 0, 0);
      return;
    default:
      break;
  }
  if (IsReadOnly(w)) return;
  if (c == 0x08) {
    Backspace(w);
  } else if (c == u'\r' || c == u'\n') {
    if (IsMultiLine(w)) ReplaceSelection(w, u"\r\n", true);
  } else if (c >= 0x20) {
    ReplaceSelection(w, std::u16string_view(&c, 1), true);
  }
}

// A key pressed by code: the keys that act without a character.
void PressKey(HWND w, WPARAM key) {
  auto [start, end] = Selection(w);
  switch (key) {
    case VK_DELETE:
      if (IsReadOnly(w)) return;
      if (start == end && end < w->text.size()) SetSelection(w, start, start + 1);
      ReplaceSelection(w, u"", true);
      return;
    case VK_LEFT: {
      size_t caret = start == end && start > 0 ? start - 1 : start;
      SetSelection(w, caret, caret);
      return;
    }
    case VK_RIGHT: {
      size_t caret = start == end ? std::min(end + 1, w->text.size()) : end;
      SetSelection(w, caret, caret);
      return;
    }
    case VK_HOME:
      SetSelection(w, 0, 0);
      return;
    case VK_END:
      SetSelection(w, w->text.size(), w->text.size());
      return;
    default:
      return;
  }
}

}  // namespace

LRESULT ButtonProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_CLICK:
      Click(w);
      return 0;
    case BM_GETCHECK:
      return w->check;
    case BM_SETCHECK:
      SetCheck(w, UINT(wParam) == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED);
      return 0;
    default:
      return DefWindowProcW(w, message, wParam, lParam);
  }
}

LRESULT EditProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
      if (w->nativeInput) {
        w->nativeDefault = true;
        return 0;
      }
      break;
    default:
      break;
  }
  switch (message) {
    case WM_CHAR:
      TypeCharacter(w, char16_t(wParam));
      return 0;
    case WM_KEYDOWN:
      PressKey(w, wParam);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
      return 0;
    case WM_COPY:
      Copy(w);
      return 0;
    case WM_CUT:
      if (IsReadOnly(w)) return 0;
      Copy(w);
      ReplaceSelection(w, u"", true);
      return 0;
    case WM_PASTE:
      if (!IsReadOnly(w)) ReplaceSelection(w, PastableText(w, ActiveBackend().ClipboardText()), true);
      return 0;
    case WM_CLEAR:
      if (!IsReadOnly(w)) ReplaceSelection(w, u"", true);
      return 0;
    case WM_UNDO:
      Undo(w);
      return TRUE;
    case EM_SETSEL: {
      auto start = static_cast<intptr_t>(wParam), end = static_cast<intptr_t>(lParam);
      size_t size = w->text.size();
      if (start < 0) {
        size_t caret = Selection(w).second;
        SetSelection(w, caret, caret);
        return 0;
      }
      size_t from = std::min(size_t(start), size);
      size_t to = end < 0 ? size : std::min(size_t(end), size);
      SetSelection(w, std::min(from, to), std::max(from, to));
      return 0;
    }
    case EM_GETSEL: {
      auto [start, end] = Selection(w);
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = DWORD(start);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = DWORD(end);
      return LRESULT(std::min<size_t>(start, 0xFFFF) | (std::min<size_t>(end, 0xFFFF) << 16));
    }
    case EM_REPLACESEL: {
      auto* text = reinterpret_cast<const char16_t*>(lParam);
      ReplaceSelection(w, text ? std::u16string_view(text) : u"", wParam != 0);
      return 0;
    }
    default:
      return DefWindowProcW(w, message, wParam, lParam);
  }
}

LRESULT StaticProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(w, message, wParam, lParam);
}

LRESULT ComboBoxProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case CB_ADDSTRING: {
      auto* text = reinterpret_cast<const char16_t*>(lParam);
      std::u16string item = text ? text : u"";
      auto at = w->items.end();
      if (w->style & CBS_SORT)
        at = std::upper_bound(
            w->items.begin(), w->items.end(), item,
            [](const std::u16string& a, const std::u16string& b) { return CompareNoCaseAscii(a, b) < 0; });
      auto index = at - w->items.begin();
      w->items.insert(at, std::move(item));
      if (w->selection >= index) ++w->selection;
      ActiveBackend().Changed(w, WindowChange::items);
      return LRESULT(index);
    }
    case CB_GETCOUNT:
      return LRESULT(w->items.size());
    case CB_GETCURSEL:
      return w->selection;
    case CB_SETCURSEL: {
      auto index = static_cast<intptr_t>(wParam);
      bool valid = index >= 0 && size_t(index) < w->items.size();
      w->selection = valid ? int(index) : CB_ERR;
      w->text = valid ? w->items[size_t(index)] : std::u16string();
      ActiveBackend().Changed(w, WindowChange::selection);
      return valid ? LRESULT(index) : LRESULT(CB_ERR);
    }
    case CB_GETLBTEXTLEN: {
      auto index = static_cast<intptr_t>(wParam);
      if (index < 0 || size_t(index) >= w->items.size()) return CB_ERR;
      return LRESULT(w->items[size_t(index)].size());
    }
    case CB_GETLBTEXT: {
      auto index = static_cast<intptr_t>(wParam);
      auto* buffer = reinterpret_cast<char16_t*>(lParam);
      if (index < 0 || size_t(index) >= w->items.size() || !buffer) return CB_ERR;
      const std::u16string& item = w->items[size_t(index)];
      std::copy(item.begin(), item.end(), buffer);
      buffer[item.size()] = u'\0';
      return LRESULT(item.size());
    }
    case CB_RESETCONTENT:
      w->items.clear();
      w->selection = CB_ERR;
      ActiveBackend().Changed(w, WindowChange::items);
      return 0;
    default:
      return DefWindowProcW(w, message, wParam, lParam);
  }
}

LRESULT ScrollBarProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(w, message, wParam, lParam);
}

}  // namespace win::detail
