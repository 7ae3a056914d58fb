// Window objects, template dialogs with their modal runs and data exchange,
// and the control classes.
#include "platform/dialog/dialog_framework.h"

#include <mutex>

#include "platform/base/text.h"
#include "platform/dialog/window_internal.h"
#include "platform/win/code_page.h"

namespace win {
namespace {

ModalHook& CurrentModalHook() {
  static ModalHook* hook = new ModalHook;
  return *hook;
}

// The messages with which dialog initialisation data was written for the
// 16-bit list controls; the framework sends their 32-bit equivalents.
constexpr UINT kListBoxAddString16 = 0x0401;
constexpr UINT kComboBoxAddString16 = 0x0403;
constexpr UINT kListBoxAddString = 0x0180;

UINT InitMessage(UINT message) {
  if (message == kComboBoxAddString16) return CB_ADDSTRING;
  if (message == kListBoxAddString16) return kListBoxAddString;
  return message;
}

}  // namespace

namespace detail {

void RunModalDialogLoop(HWND dialog) {
  ModalHook hook = CurrentModalHook();
  if (hook) hook(dialog);
  if (IsWindow(dialog) && !dialog->dialog->ended) ActiveBackend().RunModalLoop(dialog);
}

LRESULT FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CWnd* object = window->permanent) return object->WindowProc(message, wParam, lParam);
  return window->kind == WindowKind::dialog ? DefDialogProc(window, message, wParam, lParam)
                                            : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT DefDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // The close box acts as the Cancel button.
      SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
      return 0;
    case DM_GETDEFID:
      return LRESULT(DefaultButtonId(window)) | (LRESULT(0x534B) << 16);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace detail

// --- CWnd -------------------------------------------------------------------

CWnd::~CWnd() {
  if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
  Detach();
}

CWnd* CWnd::FromHandle(HWND window) {
  if (!IsWindow(window)) return nullptr;
  if (window->permanent) return window->permanent;
  if (!window->temporary) {
    window->temporary = std::make_unique<CWnd>();
    window->temporary->m_hWnd = window;
  }
  return window->temporary.get();
}

BOOL CWnd::Attach(HWND window) {
  if (!IsWindow(window) || m_hWnd || window->permanent) return FALSE;
  m_hWnd = window;
  window->permanent = this;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND window = m_hWnd;
  if (IsWindow(window) && window->permanent == this) window->permanent = nullptr;
  m_hWnd = nullptr;
  return window;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  CurrentMessage current{message, wParam, lParam};
  const CurrentMessage* outer = current_;
  current_ = &current;
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  current_ = outer;
  return result;
}

BOOL CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
  if (!current_) return 0;
  return DefWindowProc(current_->message, current_->wParam, current_->lParam);
}

void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }

CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(win::GetDlgItem(m_hWnd, id)); }
void CWnd::SetWindowText(std::u16string_view text) { SetWindowTextW(m_hWnd, text); }
std::u16string CWnd::GetWindowText() const { return GetWindowTextW(m_hWnd); }
void CWnd::SetDlgItemText(int id, std::u16string_view text) { SetDlgItemTextW(m_hWnd, id, text); }
BOOL CWnd::EnableWindow(BOOL enable) { return win::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return win::IsWindowEnabled(m_hWnd); }
BOOL CWnd::ShowWindow(int command) { return win::ShowWindow(m_hWnd, command); }
BOOL CWnd::IsWindowVisible() const { return win::IsWindowVisible(m_hWnd); }
int CWnd::GetDlgCtrlID() const { return win::GetDlgCtrlID(m_hWnd); }
void CWnd::GetWindowRect(RECT* rect) const { win::GetWindowRect(m_hWnd, rect); }
void CWnd::GetClientRect(RECT* rect) const { win::GetClientRect(m_hWnd, rect); }

void CWnd::ClientToScreen(RECT* rect) const {
  POINT origin;
  win::ClientToScreen(m_hWnd, &origin);
  *rect = {rect->left + origin.x, rect->top + origin.y, rect->right + origin.x, rect->bottom + origin.y};
}

void CWnd::ScreenToClient(RECT* rect) const {
  POINT origin;
  win::ClientToScreen(m_hWnd, &origin);
  *rect = {rect->left - origin.x, rect->top - origin.y, rect->right - origin.x, rect->bottom - origin.y};
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return win::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, cx, cy, flags);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  win::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

BOOL CWnd::RedrawWindow(const RECT* update, void* region, UINT flags) {
  return win::RedrawWindow(m_hWnd, update, region, flags);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return SendMessageW(m_hWnd, message, wParam, lParam);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT milliseconds, void* timerProcedure) {
  return win::SetTimer(m_hWnd, id, milliseconds, timerProcedure);
}

BOOL CWnd::KillTimer(UINT_PTR id) { return win::KillTimer(m_hWnd, id); }

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->GetSafeHandle() : nullptr), redraw);
}

void CWnd::CheckRadioButton(int firstId, int lastId, int checkId) {
  win::CheckRadioButton(m_hWnd, firstId, lastId, checkId);
}

UINT CWnd::IsDlgButtonChecked(int id) const { return win::IsDlgButtonChecked(m_hWnd, id); }

BOOL CWnd::DestroyWindow() { return win::DestroyWindow(m_hWnd); }

// --- Controls and fonts -------------------------------------------------------

CFont::~CFont() { DeleteObject(font_); }

BOOL CFont::CreatePointFont(int pointTenths, std::u16string_view face) {
  if (font_) return FALSE;
  font_ = win::CreatePointFont(pointTenths, face);
  return font_ != nullptr;
}

int CComboBox::AddString(std::u16string_view text) {
  std::u16string copy(text);
  return int(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(copy.c_str())));
}

int CComboBox::SetCurSel(int index) { return int(SendMessage(CB_SETCURSEL, WPARAM(intptr_t(index)), 0)); }
int CComboBox::GetCurSel() const { return int(SendMessage(CB_GETCURSEL, 0, 0)); }
int CComboBox::GetCount() const { return int(SendMessage(CB_GETCOUNT, 0, 0)); }

std::u16string CComboBox::GetLBText(int index) const {
  LRESULT length = SendMessage(CB_GETLBTEXTLEN, WPARAM(intptr_t(index)), 0);
  if (length < 0) return {};
  std::u16string text(size_t(length) + 1, u'\0');
  SendMessage(CB_GETLBTEXT, WPARAM(intptr_t(index)), reinterpret_cast<LPARAM>(text.data()));
  text.resize(size_t(length));
  return text;
}

BOOL CScrollBar::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  HWND window = CreateWindowExW(0, u"SCROLLBAR", u"", style, rect.left, rect.top, rect.Width(), rect.Height(),
                                parent ? parent->m_hWnd : nullptr, int(id));
  return window && Attach(window);
}

// --- CDialog ----------------------------------------------------------------

CDialog::CDialog(unsigned templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
  if (IsWindow(m_hWnd)) win::DestroyWindow(m_hWnd);
}

HWND CDialog::OwnerWindow() const {
  if (parent_ && IsWindow(parent_->m_hWnd)) return TopLevelOf(parent_->m_hWnd);
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd && app->m_pMainWnd != this && IsWindow(app->m_pMainWnd->m_hWnd))
    return TopLevelOf(app->m_pMainWnd->m_hWnd);
  return nullptr;
}

HWND CDialog::CreateFromTemplate(HWND owner) {
  const DialogTemplate* t = FindDialogTemplate(templateId_);
  if (!t || m_hWnd) return nullptr;
  FontObject font = TemplateFont(*t);
  SIZE base = ActiveBackend().DialogBaseUnits(font);
  RECT client = DialogUnitsToPixels(t->x, t->y, t->cx, t->cy, base);
  POINT origin;
  if (owner && !(t->style & DS_ABSALIGN)) win::ClientToScreen(owner, &origin);
  DWORD style = t->style & ~DWORD(WS_VISIBLE | WS_CHILD);
  RECT insets = FrameInsets(style, t->exStyle);
  RECT rect{origin.x + client.left, origin.y + client.top,
            origin.x + client.left + client.Width() + insets.left + insets.right,
            origin.y + client.top + client.Height() + insets.top + insets.bottom};
  HWND window = detail::NewWindow(WindowKind::dialog, u"#32770", t->caption, style, t->exStyle, rect, owner, 0,
                                  detail::FrameworkWindowProc, [&](WindowObject& w) {
                                    w.dialog = std::make_unique<DialogState>();
                                    w.dialog->owner = this;
                                    w.dialog->templateId = templateId_;
                                    w.dialog->baseUnits = base;
                                    w.dialog->font = std::make_unique<FontObject>(font);
                                    w.font = w.dialog->font.get();
                                    w.permanent = this;
                                    m_hWnd = &w;
                                  });
  SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(WORD(client.Width()), WORD(client.Height())));
  for (const DialogItemTemplate& item : t->items) {
    RECT r = DialogUnitsToPixels(item.x, item.y, item.cx, item.cy, base);
    HWND control = CreateWindowExW(item.exStyle, item.className, item.text, item.style | WS_CHILD, r.left, r.top,
                                   r.Width(), r.Height(), window, item.id < 0 ? 0xFFFF : item.id);
    if (!control) {
      win::DestroyWindow(window);
      return nullptr;
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(window->font), FALSE);
  }
  return window;
}

INT_PTR CDialog::DoModal() {
  result_ = -1;
  HWND owner = OwnerWindow();
  HWND window = CreateFromTemplate(owner);
  if (!window) return -1;
  window->dialog->modal = true;
  SendMessageW(window, WM_INITDIALOG, 0, 0);
  if (IsWindow(window) && !window->dialog->ended) {
    win::ShowWindow(window, SW_SHOWNORMAL);
    bool disabledOwner = owner && !win::EnableWindow(owner, FALSE);
    detail::RunModalDialogLoop(window);
    if (disabledOwner) win::EnableWindow(owner, TRUE);
  }
  if (IsWindow(window)) {
    result_ = window->dialog->result;
    win::DestroyWindow(window);
  }
  m_hWnd = nullptr;
  return result_;
}

BOOL CDialog::Create(CWnd* parent) {
  if (parent) parent_ = parent;
  result_ = -1;
  HWND window = CreateFromTemplate(OwnerWindow());
  if (!window) return FALSE;
  SendMessageW(window, WM_INITDIALOG, 0, 0);
  const DialogTemplate* t = FindDialogTemplate(templateId_);
  if (IsWindow(window) && !window->dialog->ended && (t->style & WS_VISIBLE)) win::ShowWindow(window, SW_SHOWNORMAL);
  return IsWindow(window);
}

void CDialog::EndDialog(INT_PTR result) {
  result_ = result;
  if (!IsWindow(m_hWnd) || !m_hWnd->dialog) return;
  DialogState& state = *m_hWnd->dialog;
  state.ended = true;
  state.result = result;
  win::ShowWindow(m_hWnd, SW_HIDE);
  if (state.modal) ActiveBackend().ModalEnded(m_hWnd);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::ExecuteDlgInit() {
  const DialogTemplate* t = FindDialogTemplate(templateId_);
  if (!t) return;
  for (const DialogInitItem& item : t->init) {
    // The initialisation data is 8-bit text in the ANSI code page.
    std::u16string text = AnsiToWide(item.text);
    SendMessageW(win::GetDlgItem(m_hWnd, item.controlId), InitMessage(item.message), 0,
                 reinterpret_cast<LPARAM>(text.c_str()));
  }
}

BOOL CDialog::OnInitDialog() {
  ExecuteDlgInit();
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_INITDIALOG) {
    *result = OnInitDialog();
    return TRUE;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDOK) {
      OnOK();
      *result = 0;
      return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
      OnCancel();
      *result = 0;
      return TRUE;
    }
  }
  return CWnd::OnWndMsg(message, wParam, lParam, result);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return detail::DefDialogProc(m_hWnd, message, wParam, lParam);
}

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
  if (control.m_hWnd) return;
  control.Attach(GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id));
}

void DDX_Text(CDataExchange* exchange, int id, std::u16string& value) {
  HWND control = GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id);
  if (exchange->m_bSaveAndValidate)
    value = GetWindowTextW(control);
  else
    SetWindowTextW(control, value);
}

void SetModalHook(ModalHook hook) { CurrentModalHook() = std::move(hook); }

unsigned DialogTemplateId(HWND window) { return IsWindow(window) && window->dialog ? window->dialog->templateId : 0; }

}  // namespace win
