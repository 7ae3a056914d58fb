// The command processor stand-in: "cmd /c command" runs one program.
// Command separators, pipes and redirections (& | < >) are not supported
// and are refused rather than misread.
#include <algorithm>
#include <optional>

#include "platform/base/text.h"
#include "platform/win/handle.h"
#include "platform/win/process.h"
#include "tools/systemtools/system_tools.h"

namespace qzsystemtools {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view SkipBlanks(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::optional<std::u16string> FindCommand(std::u16string_view name) {
  if (std::optional<std::u16string> exact = win::SearchProgramFile(name, false)) return exact;
  return win::SearchProgramFile(name, true);
}

// cmd's rule for a command that starts with a quote: the quotes stay when
// there are exactly two, the text between them has a blank and none of
// &<>()@^| and names a program; otherwise the first and the last quote go.
std::u16string ApplyQuoteRule(std::u16string_view text, bool stripAlways) {
  if (text.empty() || text[0] != u'"') return std::u16string(text);
  size_t quotes = 0;
  for (char16_t c : text) quotes += c == u'"';
  size_t last = text.rfind(u'"');
  if (!stripAlways && quotes == 2) {
    std::u16string_view inner = text.substr(1, last - 1);
    bool special = inner.find_first_of(u"&<>()@^|") != std::u16string_view::npos;
    bool blank = inner.find_first_of(u" \t") != std::u16string_view::npos;
    if (!special && blank && FindCommand(inner)) return std::u16string(text);
  }
  if (last == 0) return std::u16string(text.substr(1));
  return std::u16string(text.substr(1, last - 1)) + std::u16string(text.substr(last + 1));
}

// Removes the ^ escapes outside quotes; false for an unescaped operator.
bool ResolveEscapes(std::u16string_view text, std::u16string* out) {
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'"') quoted = !quoted;
    if (!quoted && c == u'^' && i + 1 < text.size()) {
      *out += text[++i];
      continue;
    }
    if (!quoted && (c == u'&' || c == u'|' || c == u'<' || c == u'>')) return false;
    *out += c;
  }
  return true;
}

int RunProgram(const std::u16string& program, std::u16string commandLine) {
  win::STARTUPINFOW startup;
  startup.cb = sizeof startup;
  win::PROCESS_INFORMATION info;
  if (!win::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, win::FALSE, 0, nullptr, nullptr,
                           &startup, &info)) {
    Complain(win::Format(u"The system cannot run %ls (error %d).", program, int(win::GetLastError())));
    return 1;
  }
  win::WaitForSingleObject(info.hProcess, win::INFINITE);
  win::DWORD exitCode = 1;
  win::GetExitCodeProcess(info.hProcess, &exitCode);
  win::CloseHandle(info.hThread);
  win::CloseHandle(info.hProcess);
  return int(exitCode);
}

}  // namespace

int RunCommandProcessor(std::u16string_view arguments) {
  std::u16string_view rest = SkipBlanks(arguments);
  bool run = false, stripAlways = false;
  while (!rest.empty() && rest[0] == u'/') {
    char16_t letter = rest.size() > 1 ? win::FoldAsciiLower(rest[1]) : u'\0';
    if (letter == u'c' || letter == u'k') {  // the command follows, perhaps without a blank
      run = letter == u'c';
      rest = SkipBlanks(rest.substr(2));
      break;
    }
    size_t end = std::min(rest.find_first_of(u" \t"), rest.size());
    if (letter == u's' && end == 2) stripAlways = true;
    rest = SkipBlanks(rest.substr(end));  // /q, /d, /a, /u and the like change nothing here
  }
  if (!run) {
    Complain(u"cmd: only \"cmd /c command\" is supported; this machine has no interactive command processor.");
    return 1;
  }
  std::u16string command;
  if (!ResolveEscapes(ApplyQuoteRule(rest, stripAlways), &command)) {
    Complain(u"cmd: command separators, pipes and redirections (& | < >) are not supported: " + std::u16string(rest));
    return 1;
  }
  win::ProgramItem item = win::SplitProgramItem(command);
  if (item.program.empty()) return 0;
  std::optional<std::u16string> program = FindCommand(item.program);
  if (!program) {
    Complain(u"'" + item.program + u"' is not recognized as an internal or external command,\n"
                                   u"operable program or batch file.");
    return 1;
  }
  return RunProgram(*program, command);
}

}  // namespace qzsystemtools
