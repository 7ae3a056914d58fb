// The two backends of the dialog framework for tests: Qt on the offscreen
// platform and the console with virtual time, and a script for modal runs.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QString>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/dialog/dialog_framework.h"
#include "platform/qt/dialog_qt.h"

namespace qztest {

enum class Backend { console, qt };

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::qt ? "Qt" : "Console";
}

// The offscreen platform says for every fixed-size window that it cannot
// pass size hints on; nothing is wrong, so the line is left out.
inline void QuietOffscreenMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QStringLiteral("propagateSizeHints"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

inline std::shared_ptr<win::DialogBackend> QtBackendForTests() {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static bool quiet = (qInstallMessageHandler(QuietOffscreenMessages), true);
  (void)quiet;
  static int argc = 1;
  static char name[] = "qz-tests";
  static char* argv[] = {name, nullptr};
  return win::CreateQtBackend(argc, argv);
}

inline void UseBackend(Backend backend) {
  if (backend == Backend::qt)
    win::SetDialogBackend(QtBackendForTests());
  else
    win::SetDialogBackend(win::CreateConsoleBackend({.virtualTime = true}));
}

// Lets Qt finish posted work, such as the deletion of closed windows.
inline void SettleEvents() {
  if (QCoreApplication::instance()) {
    QCoreApplication::sendPostedEvents(nullptr, 0);
    QCoreApplication::processEvents();
  }
}

// Answers modal runs in order: each step gets the window of the next modal
// run; a run that finds no step left fails the test and is cancelled.
class ModalScript {
 public:
  using Step = std::function<void(win::HWND)>;

  ModalScript() {
    win::SetModalHook([this](win::HWND window) {
      ++runs_;
      if (steps_.empty()) {
        ADD_FAILURE() << "unexpected modal run of dialog " << win::DialogTemplateId(window);
        win::SendMessageW(window, win::WM_COMMAND, win::MAKEWPARAM(win::IDCANCEL, win::BN_CLICKED), 0);
        return;
      }
      Step step = std::move(steps_.front());
      steps_.pop_front();
      step(window);
    });
  }
  ~ModalScript() { win::SetModalHook(nullptr); }

  void Then(Step step) { steps_.push_back(std::move(step)); }
  int Runs() const { return runs_; }
  bool Done() const { return steps_.empty(); }

 private:
  std::deque<Step> steps_;
  int runs_ = 0;
};

// Clicks a control of a dialog as the user would: nothing when it is disabled.
inline void Click(win::HWND dialog, int id) { win::SendMessageW(win::GetDlgItem(dialog, id), win::BM_CLICK, 0, 0); }

}  // namespace qztest
