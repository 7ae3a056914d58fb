// The console backend: a dialog's caption and the lines of its static texts
// are printed as they change, timers are served in real (or virtual) time,
// and a dialog that waits for a click the console cannot give is ended as
// Cancel would end it.
#include <thread>
#include <unordered_map>

#include "platform/base/console.h"
#include "platform/base/text.h"
#include "platform/dialog/dialog_backend.h"
#include "platform/dialog/dialog_framework.h"

namespace win {
namespace {

std::u16string PrintableLine(std::u16string_view text) {
  std::u16string line;
  for (char16_t c : text)
    if (c != u'\r') line.push_back(c);
  while (!line.empty() && line.back() == u'\n') line.pop_back();
  return line;
}

class ConsoleBackend final : public DialogBackend {
 public:
  explicit ConsoleBackend(ConsoleOptions options) : options_(options), virtualNow_(Clock::now()) {}

  bool IsConsole() const override { return true; }

  // Without fonts, the measures Windows gives the shell font at 96 dots per
  // inch (6 x 13 for 8 points), scaled for other sizes.
  SIZE DialogBaseUnits(const FontObject& font) override {
    int height = MulDiv(font.pointTenths, 96 * 12, 72 * 100);
    return {MulDiv(height, 6, 13), height};
  }

  int SystemMetric(int index) override { return DefaultSystemMetric(index); }
  int ComboBoxHeight(const FontObject& font) override { return DialogBaseUnits(font).cy + 8; }

  void Created(HWND window) override {
    if (window->kind == WindowKind::dialog || window->kind == WindowKind::folderBrowser)
      ConsoleLine(u"[" + window->text + u"]");
  }

  void Destroying(HWND window) override { printed_.erase(window); }

  void Changed(HWND window, WindowChange change) override {
    if (change != WindowChange::text || window->kind != WindowKind::staticText) return;
    std::u16string line = PrintableLine(window->text);
    if (line.empty() || printed_[window] == line) return;
    printed_[window] = line;
    ConsoleLine(line);
  }

  void Redraw(HWND, bool) override {}
  Clock::time_point Now() override { return options_.virtualTime ? virtualNow_ : Clock::now(); }
  void TimerChanged(HWND, UINT_PTR, UINT) override {}

  void RunModalLoop(HWND dialog) override {
    while (IsWindow(dialog) && !dialog->dialog->ended) {
      Clock::time_point due;
      if (!NextTimerDue(&due)) {
        GiveUp(dialog);
        continue;
      }
      WaitUntil(due);
      FireDueTimers(Now());
    }
  }

  void ModalEnded(HWND) override {}

  std::u16string ClipboardText() override { return clipboard_; }
  void SetClipboardText(std::u16string_view text) override { clipboard_ = text; }

  int ShowMessageBox(const MessageBoxRequest& request) override { return ConsoleMessageBox(request); }

 private:
  void WaitUntil(Clock::time_point due) {
    if (!options_.virtualTime) {
      std::this_thread::sleep_until(due);
      return;
    }
    if (due > virtualNow_) virtualNow_ = due;
    // Other threads (an install worker) still run in real time.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  // Nothing but a click could go on: the dialog ends as Cancel ends it.
  void GiveUp(HWND dialog) {
    ConsoleLine(u"[" + dialog->text + u"] This window needs a click, which the console cannot give.", true);
    std::u16string hint = UnattendedHint();
    if (!hint.empty()) ConsoleLine(hint, true);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (!IsWindow(dialog) || dialog->dialog->ended) return;
    Clock::time_point due;
    if (NextTimerDue(&due)) return;
    if (dialog->dialog->owner) {
      dialog->dialog->owner->EndDialog(IDCANCEL);
    } else {
      dialog->dialog->ended = true;
      dialog->dialog->result = IDCANCEL;
    }
  }

  ConsoleOptions options_;
  Clock::time_point virtualNow_;
  std::unordered_map<HWND, std::u16string> printed_;
  std::u16string clipboard_;
};

}  // namespace

std::shared_ptr<DialogBackend> CreateConsoleBackend(ConsoleOptions options) {
  return std::make_shared<ConsoleBackend>(options);
}

}  // namespace win
