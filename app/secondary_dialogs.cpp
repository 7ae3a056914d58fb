#include "app/secondary_dialogs.h"

#include "res/resource.h"

namespace qz {

CReallyQuit::CReallyQuit(win::CWnd* parent) : CDialog(IDD_REALLY_QUIT, parent) {}

CUpdateOnly::CUpdateOnly(win::CWnd* parent) : CDialog(IDD_UPDATE_ONLY, parent) {}

win::BOOL CUpdateOnly::OnInitDialog() {
  CDialog::OnInitDialog();
  CheckRadioButton(IDC_OVERWRITE, IDC_UPDATE, IDC_OVERWRITE);
  return win::TRUE;
}

void CUpdateOnly::DoDataExchange(win::CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  m_updateChoice = IsDlgButtonChecked(IDC_UPDATE) == win::BST_CHECKED ? 1 : 0;
}

CFolderDialog::CFolderDialog() {
  m_browseInfo.pszDisplayName = m_displayName;
  m_browseInfo.lpfn = &CFolderDialog::BrowseCallback;
  m_browseInfo.lParam = reinterpret_cast<win::LPARAM>(this);
}

win::INT_PTR CFolderDialog::DoModal() {
  m_chosenFolder = m_initialFolder;
  win::PIDLIST_ABSOLUTE item = win::SHBrowseForFolderW(&m_browseInfo);
  win::INT_PTR result = win::IDCANCEL;
  if (item && win::SHGetPathFromIDListW(item, m_path)) {
    m_chosenFolder = m_path;
    result = win::IDOK;
  } else {
    // Folders highlighted while browsing are not a result.
    m_chosenFolder = m_initialFolder;
  }
  if (item) {
    win::IMalloc* allocator = nullptr;
    if (win::SHGetMalloc(&allocator) == win::S_OK) {
      allocator->Free(item);
      allocator->Release();
    }
  }
  return result;
}

void CFolderDialog::OnInitialized() {
  win::SendMessageW(m_browseWindow, win::BFFM_SETSELECTIONW, win::TRUE,
                    reinterpret_cast<win::LPARAM>(m_initialFolder.c_str()));
  std::u16string status = ShortenPathForStatus(m_initialFolder);
  win::SendMessageW(m_browseWindow, win::BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<win::LPARAM>(status.c_str()));
}

void CFolderDialog::OnSelectionChanged(win::PCIDLIST_ABSOLUTE item) {
  win::SHGetPathFromIDListW(item, m_path);
  m_chosenFolder = m_path;
  std::u16string status = ShortenPathForStatus(m_chosenFolder);
  win::SendMessageW(m_browseWindow, win::BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<win::LPARAM>(status.c_str()));
}

void CFolderDialog::Dispatch(win::HWND window, win::UINT message, win::LPARAM parameter) {
  m_browseWindow = window;
  if (message == win::BFFM_INITIALIZED)
    OnInitialized();
  else if (message == win::BFFM_SELCHANGED)
    OnSelectionChanged(reinterpret_cast<win::PCIDLIST_ABSOLUTE>(parameter));
}

int CFolderDialog::BrowseCallback(win::HWND window, win::UINT message, win::LPARAM parameter, win::LPARAM data) {
  reinterpret_cast<CFolderDialog*>(data)->Dispatch(window, message, parameter);
  return 0;
}

std::u16string ShortenPathForStatus(std::u16string_view path) {
  constexpr size_t kShown = 35;
  if (path.size() <= kShown) return std::u16string(path);
  return std::u16string(path.substr(0, kShown)) + u"...";
}

}  // namespace qz
