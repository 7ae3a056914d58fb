// The application object and the framework's entry.
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "platform/base/text.h"
#include "platform/dialog/dialog_framework.h"
#include "platform/win/runtime.h"

namespace win {
namespace {

CWinApp*& TheApp() {
  static CWinApp* app = nullptr;
  return app;
}

struct Hint {
  std::mutex mutex;
  std::u16string text;
};

Hint& TheHint() {
  static Hint* hint = new Hint;
  return *hint;
}

bool HasEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// One argument as Windows' command-line parser reads it back.
void AppendQuoted(std::u16string& line, std::u16string_view argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\"") == std::u16string_view::npos) {
    line += argument;
    return;
  }
  line += u'"';
  size_t backslashes = 0;
  for (char16_t c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, u'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, u'\\');
  line += u'"';
}

}  // namespace

CWinApp::CWinApp(const char16_t*) { TheApp() = this; }

CWinApp::~CWinApp() {
  if (TheApp() == this) TheApp() = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return TheApp(); }

void SetUnattendedHint(std::u16string_view hint) {
  Hint& h = TheHint();
  std::lock_guard lock(h.mutex);
  h.text = hint;
}

std::u16string UnattendedHint() {
  Hint& h = TheHint();
  std::lock_guard lock(h.mutex);
  return h.text;
}

std::u16string CommandLineTail(int argc, const char* const* argv) {
  std::u16string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += u' ';
    AppendQuoted(tail, Utf8ToWide(argv[i]));
  }
  return tail;
}

std::shared_ptr<DialogBackend> ChooseBackend(int& argc, char** argv, BackendFactory windowSystem) {
  const char* ui = std::getenv("QZ_UI");
  std::string_view choice = ui ? ui : "";
  bool display = HasEnvironment("DISPLAY") || HasEnvironment("WAYLAND_DISPLAY") || HasEnvironment("QT_QPA_PLATFORM");
  if (choice != "console" && (display || choice == "qt") && windowSystem)
    if (std::shared_ptr<DialogBackend> backend = windowSystem(argc, argv)) return backend;
  if (HasEnvironment("QZ_VIRTUAL_TIME")) {
    // Tests of whole runs: timers and pauses pass at once.
    SetSleepHook([](unsigned) {});
    return CreateConsoleBackend({.virtualTime = true});
  }
  return CreateConsoleBackend();
}

void AfxWinMain(int argc, char** argv, BackendFactory windowSystem) {
  std::shared_ptr<DialogBackend> backend = ChooseBackend(argc, argv, windowSystem);
  SetDialogBackend(backend);
  if (!backend->IsConsole())
    SetMessageBoxHandler([b = backend.get()](const MessageBoxRequest& r) { return b->ShowMessageBox(r); });
  int status = 0;
  if (CWinApp* app = AfxGetApp()) {
    app->m_lpCmdLine = CommandLineTail(argc, argv);
    // This framework runs no message loop of its own: every program of it
    // does its work in the start-up hook.
    app->InitInstance();
    status = app->ExitInstance();
  }
  ExitProcess(status);
}

}  // namespace win
