// Window geometry: window and client rectangles, moving and sizing with the
// size limits of WM_GETMINMAXINFO, repainting, system metrics.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/dialog/dialog_backend.h"
#include "platform/dialog/window_internal.h"

namespace win {
namespace {

POINT ClientOrigin(HWND window) {
  if (!IsWindow(window)) return {};
  if (window->style & WS_CHILD) {
    POINT origin = ClientOrigin(window->parent);
    return {origin.x + window->rect.left, origin.y + window->rect.top};
  }
  RECT insets = FrameInsets(window->style, window->exStyle);
  return {window->rect.left + insets.left, window->rect.top + insets.top};
}

SIZE ClientSize(HWND window) {
  RECT insets = (window->style & WS_CHILD) ? RECT{} : FrameInsets(window->style, window->exStyle);
  return {std::max<LONG>(0, window->rect.Width() - insets.left - insets.right),
          std::max<LONG>(0, window->rect.Height() - insets.top - insets.bottom)};
}

MINMAXINFO QueryMinMaxInfo(HWND window) {
  MINMAXINFO info;
  info.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  info.ptMaxTrackSize = {INT_MAX / 4, INT_MAX / 4};
  info.ptMaxSize = info.ptMaxTrackSize;
  SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  return info;
}

bool KeptWithinLimits(HWND window) {
  DWORD style = window->style;
  return !(style & WS_CHILD) && ((style & WS_THICKFRAME) || !(style & WS_POPUP));
}

// Stores the new rectangle and sends WM_SIZE when the client size changed.
void ApplyRect(HWND window, RECT rect) {
  SIZE before = ClientSize(window);
  window->rect = rect;
  ActiveBackend().Changed(window, WindowChange::geometry);
  SIZE after = ClientSize(window);
  if (before.cx != after.cx || before.cy != after.cy)
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(WORD(after.cx), WORD(after.cy)));
}

}  // namespace

int DefaultSystemMetric(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return 1920;
    case SM_CYSCREEN:
      return 1080;
    case SM_CXVSCROLL:
      return 17;
    case SM_CYHSCROLL:
      return 17;
    case SM_CYCAPTION:
      return 23;
    case SM_CXFIXEDFRAME:
      return 3;
    case SM_CYFIXEDFRAME:
      return 3;
    case SM_CXICON:
      return 32;
    case SM_CYICON:
      return 32;
    case SM_CXSIZEFRAME:
      return 4;
    case SM_CYSIZEFRAME:
      return 4;
    case SM_CXMINTRACK:
      return 136;
    case SM_CYMINTRACK:
      return 39;
    case SM_CXSMICON:
      return 16;
    case SM_CYSMICON:
      return 16;
    case SM_CXPADDEDBORDER:
      return 4;
    default:
      return 0;
  }
}

int GetSystemMetrics(int index) { return ActiveBackend().SystemMetric(index); }

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long product = static_cast<long long>(a) * b;
  long long half = std::llabs(c) / 2;
  bool negative = (product < 0) != (c < 0);
  long long magnitude = (std::llabs(product) + half) / std::llabs(c);
  long long result = negative ? -magnitude : magnitude;
  if (result > INT_MAX || result < INT_MIN) return -1;
  return int(result);
}

RECT FrameInsets(DWORD style, DWORD exStyle) {
  if (style & WS_CHILD) return {};
  RECT insets;
  int x = 0, y = 0;
  if (style & WS_THICKFRAME) {
    x = GetSystemMetrics(SM_CXSIZEFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
    y = GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
  } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    x = GetSystemMetrics(SM_CXFIXEDFRAME);
    y = GetSystemMetrics(SM_CYFIXEDFRAME);
  } else if (style & WS_BORDER) {
    x = y = 1;
  }
  insets = {x, y, x, y};
  if ((style & WS_CAPTION) == WS_CAPTION) insets.top += GetSystemMetrics(SM_CYCAPTION);
  return insets;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  if (!IsWindow(window) || !rect) return FALSE;
  if (window->style & WS_CHILD) {
    POINT origin = ClientOrigin(window->parent);
    *rect = {origin.x + window->rect.left, origin.y + window->rect.top, origin.x + window->rect.right,
             origin.y + window->rect.bottom};
  } else {
    *rect = window->rect;
  }
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (!IsWindow(window) || !rect) return FALSE;
  SIZE size = ClientSize(window);
  *rect = {0, 0, size.cx, size.cy};
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  if (!IsWindow(window) || !point) return FALSE;
  POINT origin = ClientOrigin(window);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  if (!IsWindow(window) || !point) return FALSE;
  POINT origin = ClientOrigin(window);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
  if (!IsWindow(window)) return FALSE;
  RECT rect = window->rect;
  if (!(flags & SWP_NOMOVE)) {
    rect.right += x - rect.left;
    rect.bottom += y - rect.top;
    rect.left = x;
    rect.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    if (KeptWithinLimits(window)) {
      MINMAXINFO limits = QueryMinMaxInfo(window);
      width =
          std::clamp<LONG>(width, limits.ptMinTrackSize.x, std::max(limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x));
      height =
          std::clamp<LONG>(height, limits.ptMinTrackSize.y, std::max(limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y));
    }
    rect.right = rect.left + std::max(0, width);
    rect.bottom = rect.top + std::max(0, height);
  }
  if (!IsWindow(window)) return FALSE;
  if (!(rect == window->rect)) ApplyRect(window, rect);
  if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(window, SW_HIDE);
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | (repaint ? 0u : UINT(SWP_NOREDRAW)));
}

BOOL RedrawWindow(HWND window, const RECT*, void*, UINT flags) {
  if (!IsWindow(window)) return FALSE;
  ActiveBackend().Redraw(window, (flags & RDW_UPDATENOW) != 0);
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  if (!IsWindow(window)) return FALSE;
  ActiveBackend().Redraw(window, false);
  return TRUE;
}

BOOL UpdateWindow(HWND window) {
  if (!IsWindow(window)) return FALSE;
  ActiveBackend().Redraw(window, true);
  return TRUE;
}

void NotifyClientMoved(HWND window, RECT clientOnScreen) {
  if (!IsWindow(window) || (window->style & WS_CHILD)) return;
  RECT insets = FrameInsets(window->style, window->exStyle);
  RECT rect{clientOnScreen.left - insets.left, clientOnScreen.top - insets.top, clientOnScreen.right + insets.right,
            clientOnScreen.bottom + insets.bottom};
  if (!(rect == window->rect)) ApplyRect(window, rect);
}

SIZE MinimumClientSize(HWND window) {
  if (!IsWindow(window)) return {};
  MINMAXINFO limits = QueryMinMaxInfo(window);
  RECT insets = FrameInsets(window->style, window->exStyle);
  return {std::max<LONG>(0, limits.ptMinTrackSize.x - insets.left - insets.right),
          std::max<LONG>(0, limits.ptMinTrackSize.y - insets.top - insets.bottom)};
}

}  // namespace win
