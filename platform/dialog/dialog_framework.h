// The dialog framework: the application object with its start-up hook,
// window objects with their message tables, template dialogs with modal and
// modeless runs and data exchange, and a few control classes.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/object.h"
#include "platform/dialog/dialog_backend.h"
#include "platform/dialog/dialog_template.h"
#include "platform/dialog/window.h"

namespace win {

class CDataExchange;

class CWnd : public CObject {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  // Detaches the window; destroying it is the owner's business.
  ~CWnd() override;

  // The attached object of the window, or a temporary one that lives as
  // long as the window; null for no window.
  static CWnd* FromHandle(HWND window);
  BOOL Attach(HWND window);
  HWND Detach();
  HWND GetSafeHwnd() const { return m_hWnd; }

  // Routes a message: the object's message table, else the default handling.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Looks the message up in the object's table; false when no entry takes it.
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The default handling of the window's class.
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The default handling of the message now being handled.
  LRESULT Default();

  CWnd* GetDlgItem(int id) const;
  void SetWindowText(std::u16string_view text);
  std::u16string GetWindowText() const;
  void SetDlgItemText(int id, std::u16string_view text);
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  int GetDlgCtrlID() const;
  void GetWindowRect(RECT* rect) const;
  void GetClientRect(RECT* rect) const;
  void ClientToScreen(RECT* rect) const;
  void ScreenToClient(RECT* rect) const;
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  BOOL RedrawWindow(const RECT* update = nullptr, void* region = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  UINT_PTR SetTimer(UINT_PTR id, UINT milliseconds, void* timerProcedure);
  BOOL KillTimer(UINT_PTR id);
  HICON SetIcon(HICON icon, BOOL bigIcon);
  void SetFont(class CFont* font, BOOL redraw = TRUE);
  void CheckRadioButton(int firstId, int lastId, int checkId);
  UINT IsDlgButtonChecked(int id) const;
  virtual BOOL DestroyWindow();

  HWND m_hWnd = nullptr;

 protected:
  // Default handlers that the message tables of derived classes name.
  void OnTimer(UINT_PTR id);
  void OnSize(UINT type, int cx, int cy);
  void OnGetMinMaxInfo(MINMAXINFO* info);

 private:
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  const CurrentMessage* current_ = nullptr;
};

// A message table: a plain list of entries, searched in order. Each entry
// names the message (and for WM_COMMAND the control and notification) and
// the member function that handles it.
template <class T>
struct MessageEntry {
  UINT message = 0;
  int controlId = 0;
  WORD notifyCode = 0;
  std::function<LRESULT(T&, WPARAM, LPARAM)> call;
};

template <class T>
class MessageMap {
 public:
  MessageMap(std::initializer_list<MessageEntry<T>> entries) : entries_(entries) {}

  // Calls the first entry that takes the message; false when none does.
  bool Dispatch(T& target, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) const {
    for (const MessageEntry<T>& e : entries_) {
      if (e.message != message) continue;
      if (message == WM_COMMAND && (LOWORD(wParam) != WORD(e.controlId) || HIWORD(wParam) != e.notifyCode)) continue;
      *result = e.call(target, wParam, lParam);
      return true;
    }
    return false;
  }

 private:
  std::vector<MessageEntry<T>> entries_;
};

// Entries of a message table.
template <class T>
MessageEntry<T> OnTimerEntry(void (T::*handler)(UINT_PTR)) {
  return {WM_TIMER, 0, 0, [handler](T& t, WPARAM w, LPARAM) {
            (t.*handler)(UINT_PTR(w));
            return LRESULT(0);
          }};
}
template <class T>
MessageEntry<T> OnSizeEntry(void (T::*handler)(UINT, int, int)) {
  return {WM_SIZE, 0, 0, [handler](T& t, WPARAM w, LPARAM l) {
            (t.*handler)(UINT(w), int(LOWORD(uintptr_t(l))), int(HIWORD(uintptr_t(l))));
            return LRESULT(0);
          }};
}
template <class T>
MessageEntry<T> OnGetMinMaxInfoEntry(void (T::*handler)(MINMAXINFO*)) {
  return {WM_GETMINMAXINFO, 0, 0, [handler](T& t, WPARAM, LPARAM l) {
            (t.*handler)(reinterpret_cast<MINMAXINFO*>(l));
            return LRESULT(0);
          }};
}
template <class T>
MessageEntry<T> OnClickedEntry(int controlId, void (T::*handler)()) {
  return {WM_COMMAND, controlId, BN_CLICKED, [handler](T& t, WPARAM, LPARAM) {
            (t.*handler)();
            return LRESULT(0);
          }};
}

class CFont {
 public:
  CFont() = default;
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;
  ~CFont();
  // Size in tenths of a point.
  BOOL CreatePointFont(int pointTenths, std::u16string_view face);
  HFONT GetSafeHandle() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

class CEdit : public CWnd {};

class CComboBox : public CWnd {
 public:
  int AddString(std::u16string_view text);
  int SetCurSel(int index);
  int GetCurSel() const;
  int GetCount() const;
  std::u16string GetLBText(int index) const;
};

class CScrollBar : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
};

class CDialog : public CWnd {
 public:
  explicit CDialog(unsigned templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Creates the dialog, runs it until EndDialog and destroys it; the
  // result given to EndDialog, or -1 when the dialog cannot be created.
  virtual INT_PTR DoModal();
  // Creates the dialog without a modal run (modeless), shown when its
  // template is visible. Ended with DestroyWindow.
  BOOL Create(CWnd* parent = nullptr);
  void EndDialog(INT_PTR result);
  // The result of the last EndDialog, -1 before any.
  INT_PTR ModalResult() const { return result_; }
  unsigned TemplateId() const { return templateId_; }

  // Runs DoDataExchange: from the controls when `saveAndValidate`, else to them.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  virtual void DoDataExchange(CDataExchange* exchange);
  // Adds the items of the template's initialisation data to its controls.
  void ExecuteDlgInit();

 private:
  HWND CreateFromTemplate(HWND owner);
  HWND OwnerWindow() const;

  unsigned templateId_;
  CWnd* parent_;
  INT_PTR result_ = -1;
};

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Binds the control of the dialog to the object, once.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);
// Exchanges the control's text with the string.
void DDX_Text(CDataExchange* exchange, int id, std::u16string& value);

// Called with every dialog whose modal run is about to wait for the user,
// before the backend's loop runs: tests script dialogs with it. A dialog
// that the hook ends does not wait.
using ModalHook = std::function<void(HWND dialog)>;
void SetModalHook(ModalHook hook);
// The template id of a framework dialog; 0 for other windows.
unsigned DialogTemplateId(HWND window);

// What the console backend tells a user whom a dialog cannot serve there.
void SetUnattendedHint(std::u16string_view hint);
std::u16string UnattendedHint();

class CWinApp : public CObject {
 public:
  // The one application object; the framework runs its start-up hook.
  explicit CWinApp(const char16_t* appName = nullptr);
  ~CWinApp() override;

  // The start-up hook: true to run a message loop, false to end at once.
  virtual BOOL InitInstance();
  // The exit status.
  virtual int ExitInstance();

  // The command line after the program's name and the blanks that follow it.
  std::u16string m_lpCmdLine;
  CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();

// The command line that Windows would show the program, without the
// program's name: the arguments joined by blanks, quoted where needed.
std::u16string CommandLineTail(int argc, const char* const* argv);

// Makes a backend from the program's arguments; null when the window system
// cannot be used.
using BackendFactory = std::shared_ptr<DialogBackend> (*)(int& argc, char** argv);
// The console when QZ_UI is "console" or no display is available, else the
// window system; the console too when the window system cannot start.
std::shared_ptr<DialogBackend> ChooseBackend(int& argc, char** argv, BackendFactory windowSystem);

// The framework's entry: picks the backend, hands the command line to the
// application object, runs its start-up hook and ends the process with
// the exit status, without waiting for other threads.
[[noreturn]] void AfxWinMain(int argc, char** argv, BackendFactory windowSystem);

}  // namespace win
