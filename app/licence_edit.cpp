#include "app/licence_edit.h"

namespace qz {
namespace {

// The Ctrl+C character (and, for key messages, the Ctrl+Break key).
constexpr win::WPARAM kCopyCharacter = 3;

win::WNDPROC PreviousProcedure(win::HWND window) {
  return reinterpret_cast<win::WNDPROC>(win::GetPropW(window, kOldProcedureProperty));
}

}  // namespace

win::LRESULT LicenceEditProc(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  win::WNDPROC previous = PreviousProcedure(window);
  switch (message) {
    case win::WM_CUT:
    case win::WM_PASTE:
      return 0;
    case win::WM_KEYDOWN:
    case win::WM_KEYUP:
    case win::WM_CHAR:
      // The whole value is compared: characters such as U+0103 share the
      // low byte of Ctrl+C and would otherwise be typed into the text.
      if (wParam != kCopyCharacter) return 0;
      break;
    case win::WM_DESTROY:
      win::RemovePropW(window, kOldProcedureProperty);
      if (previous) win::SetWindowLongPtrW(window, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(previous));
      break;
    default:
      break;
  }
  if (!previous) return win::DefWindowProcW(window, message, wParam, lParam);
  return win::CallWindowProcW(previous, window, message, wParam, lParam);
}

void SubclassLicenceEdit(win::HWND edit) {
  if (!win::IsWindow(edit)) return;
  auto current = reinterpret_cast<void*>(win::GetWindowLongPtrW(edit, win::GWLP_WNDPROC));
  win::SetPropW(edit, kOldProcedureProperty, current);
  win::SetWindowLongPtrW(edit, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(&LicenceEditProc));
}

}  // namespace qz
