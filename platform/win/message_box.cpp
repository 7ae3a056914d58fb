#include "platform/win/message_box.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/base/console.h"
#include "platform/base/text.h"
#include "platform/host/host_process.h"

namespace win {
namespace {

std::mutex& HandlerMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}

MessageBoxHandler& Handler() {
  static MessageBoxHandler* h = new MessageBoxHandler;
  return *h;
}

int DefaultAnswer(unsigned type) {
  if ((type & 0xF) != MB_YESNO) return IDOK;
  return (type & MB_DEFBUTTON2) ? IDNO : IDYES;
}

}  // namespace

int ConsoleMessageBox(const MessageBoxRequest& r) {
  std::string text = WideToUtf8(r.text);
  std::string shown;
  for (char c : text)
    if (c != '\r') shown.push_back(c);
  bool question = (r.type & 0xF) == MB_YESNO;
  std::lock_guard lock(ConsoleMutex());
  std::fprintf(stderr, "[%s] %s\n", WideToUtf8(r.caption).c_str(), shown.c_str());
  if (!question) {
    std::fflush(stderr);
    return IDOK;
  }
  int answer = DefaultAnswer(r.type);
  if (!host::InputIsTerminal()) {
    std::fprintf(stderr, "  (no terminal: answered %s)\n", answer == IDYES ? "Yes" : "No");
    return answer;
  }
  std::fprintf(stderr, "  Yes or No? [%s] ", answer == IDYES ? "Y/n" : "y/N");
  std::fflush(stderr);
  char line[64];
  if (!std::fgets(line, sizeof line, stdin)) return answer;
  if (line[0] == 'y' || line[0] == 'Y') return IDYES;
  if (line[0] == 'n' || line[0] == 'N') return IDNO;
  return answer;
}

int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) {
  MessageBoxRequest request{owner, std::u16string(text), std::u16string(caption), type};
  MessageBoxHandler handler;
  {
    std::lock_guard lock(HandlerMutex());
    handler = Handler();
  }
  return handler ? handler(request) : ConsoleMessageBox(request);
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(HandlerMutex());
  Handler() = std::move(handler);
}

}  // namespace win
