// The folder browser: a modal window over the machine's drives whose state
// (selection, status text) lives here; the backend draws the tree.
#include "platform/dialog/folder_browser.h"

#include <algorithm>

#include "platform/base/text.h"
#include "platform/dialog/dialog_backend.h"
#include "platform/dialog/dialog_framework.h"
#include "platform/dialog/window_internal.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"

struct win::ITEMIDLIST {
  std::u16string path;  // empty: the computer
};

namespace win {
namespace {

constexpr int kBrowserWidthDlu = 212;
constexpr int kBrowserHeightDlu = 226;

// One allocator for the whole process, as the shell has it.
class ShellAllocator final : public IMalloc {
 public:
  HRESULT QueryInterface(REFIID, void** object) override {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  void Free(void* block) override { delete static_cast<ITEMIDLIST*>(block); }
};

FolderBrowserState* State(HWND window) { return IsWindow(window) ? window->browser.get() : nullptr; }

void Callback(HWND window, UINT message, LPARAM parameter) {
  FolderBrowserState* state = State(window);
  if (state && state->info.lpfn) state->info.lpfn(window, message, parameter, state->info.lParam);
}

std::u16string JoinFolder(const std::u16string& folder, std::u16string_view name) {
  std::u16string path = folder;
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  path += name;
  return path;
}

// The folder as the tree names it: a full path in the letter case of the
// folders themselves, drive roots with their backslash; empty when it names
// no existing folder.
std::u16string ExistingFolder(std::u16string_view path) {
  std::u16string full = FullWindowsPath(path);
  if (full.empty() || !IsDirectory(full)) return {};
  std::u16string spelled = WindowsPathOfHost(HostPath(full));
  return spelled.empty() ? full : spelled;
}

void Select(HWND window, std::u16string folder) {
  FolderBrowserState* state = State(window);
  if (!state) return;
  state->selection = std::move(folder);
  ActiveBackend().Changed(window, WindowChange::browserSelection);
  ITEMIDLIST item{state->selection};
  Callback(window, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(&item));
}

void EndBrowser(HWND window, INT_PTR result) {
  if (!IsWindow(window) || window->dialog->ended) return;
  window->dialog->ended = true;
  window->dialog->result = result;
  ShowWindow(window, SW_HIDE);
  ActiveBackend().ModalEnded(window);
}

LRESULT BrowserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  FolderBrowserState* state = State(window);
  switch (message) {
    case BFFM_SETSELECTIONW: {
      std::u16string path;
      if (wParam)
        path = lParam ? reinterpret_cast<const char16_t*>(lParam) : u"";
      else if (lParam)
        path = reinterpret_cast<const ITEMIDLIST*>(lParam)->path;
      // As the shell does, a folder that does not exist is not selected.
      std::u16string folder = path.empty() ? std::u16string() : ExistingFolder(path);
      if (!folder.empty()) Select(window, folder);
      return 0;
    }
    case BFFM_SETSTATUSTEXTW:
      state->statusText = lParam ? reinterpret_cast<const char16_t*>(lParam) : u"";
      ActiveBackend().Changed(window, WindowChange::browserStatus);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && BrowserCanAccept(window)) EndBrowser(window, IDOK);
      if (LOWORD(wParam) == IDCANCEL) EndBrowser(window, IDCANCEL);
      return 0;
    case WM_CLOSE:
      EndBrowser(window, IDCANCEL);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

RECT BrowserRect(HWND owner, const FontObject& font, SIZE* base) {
  *base = ActiveBackend().DialogBaseUnits(font);
  RECT client = DialogUnitsToPixels(0, 0, kBrowserWidthDlu, kBrowserHeightDlu, *base);
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
  RECT insets = FrameInsets(style, 0);
  LONG width = client.Width() + insets.left + insets.right;
  LONG height = client.Height() + insets.top + insets.bottom;
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner) GetWindowRect(owner, &area);
  LONG left = std::max<LONG>(0, area.left + (area.Width() - width) / 2);
  LONG top = std::max<LONG>(0, area.top + (area.Height() - height) / 2);
  return {left, top, left + width, top + height};
}

std::u16string DisplayName(const std::u16string& folder) {
  if (folder.empty()) return u"Computer";
  if (folder.size() <= 3) return folder.substr(0, 2);
  return folder.substr(folder.rfind(u'\\') + 1);
}

}  // namespace

PIDLIST_ABSOLUTE SHBrowseForFolderW(BROWSEINFOW* info) {
  if (!info) return nullptr;
  HWND owner = info->hwndOwner ? TopLevelOf(info->hwndOwner) : nullptr;
  FontObject font{u"MS Shell Dlg", 80, 400};
  SIZE base;
  RECT rect = BrowserRect(owner, font, &base);
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | DS_SETFONT;
  HWND window = detail::NewWindow(WindowKind::folderBrowser, u"#32770", u"Browse For Folder", style, 0, rect, owner, 0,
                                  BrowserProc, [&](WindowObject& w) {
                                    w.dialog = std::make_unique<DialogState>();
                                    w.dialog->baseUnits = base;
                                    w.dialog->font = std::make_unique<FontObject>(font);
                                    w.dialog->modal = true;
                                    w.font = w.dialog->font.get();
                                    w.browser = std::make_unique<FolderBrowserState>();
                                    w.browser->info = *info;
                                    w.browser->title = info->lpszTitle ? info->lpszTitle : u"";
                                  });
  Callback(window, BFFM_INITIALIZED, 0);
  if (IsWindow(window) && !window->dialog->ended) {
    ShowWindow(window, SW_SHOWNORMAL);
    bool disabledOwner = owner && !EnableWindow(owner, FALSE);
    detail::RunModalDialogLoop(window);
    if (disabledOwner) EnableWindow(owner, TRUE);
  }
  PIDLIST_ABSOLUTE chosen = nullptr;
  if (IsWindow(window)) {
    if (window->dialog->result == IDOK) chosen = new ITEMIDLIST{window->browser->selection};
    DestroyWindow(window);
  }
  if (chosen && info->pszDisplayName) {
    std::u16string name = DisplayName(chosen->path).substr(0, MAX_PATH - 1);
    std::copy(name.begin(), name.end(), info->pszDisplayName);
    info->pszDisplayName[name.size()] = u'\0';
  }
  return chosen;
}

BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE item, char16_t* path) {
  if (!path) return FALSE;
  path[0] = u'\0';
  if (!item || item->path.empty() || item->path.size() >= MAX_PATH) return FALSE;
  std::copy(item->path.begin(), item->path.end(), path);
  path[item->path.size()] = u'\0';
  return TRUE;
}

HRESULT SHGetMalloc(IMalloc** allocator) {
  static ShellAllocator shell;
  if (!allocator) return E_FAIL;
  *allocator = &shell;
  return S_OK;
}

bool IsFolderBrowser(HWND window) { return IsWindow(window) && window->kind == WindowKind::folderBrowser; }

std::vector<std::u16string> BrowserDrives() {
  std::vector<std::u16string> drives;
  for (char16_t letter = u'A'; letter <= u'Y'; ++letter) {
    std::u16string root{letter, u':', u'\\'};
    if (IsDirectory(root)) drives.push_back(root);
  }
  drives.push_back(u"Z:\\");
  return drives;
}

std::vector<std::u16string> BrowserSubfolders(const std::u16string& folder) {
  std::vector<std::u16string> folders;
  for (const std::u16string& name : ListDirectory(folder)) {
    std::u16string path = JoinFolder(folder, name);
    if (IsDirectory(path)) folders.push_back(path);
  }
  std::sort(folders.begin(), folders.end(),
            [](const std::u16string& a, const std::u16string& b) { return CompareNoCaseAscii(a, b) < 0; });
  return folders;
}

void NotifyBrowserSelection(HWND browser, std::u16string_view folder) {
  if (!State(browser)) return;
  if (folder.empty()) {
    Select(browser, {});
    return;
  }
  std::u16string existing = ExistingFolder(folder);
  if (!existing.empty()) Select(browser, existing);
}

bool BrowserCanAccept(HWND browser) {
  FolderBrowserState* state = State(browser);
  if (!state) return false;
  return !(state->info.ulFlags & BIF_RETURNONLYFSDIRS) || !state->selection.empty();
}

}  // namespace win
