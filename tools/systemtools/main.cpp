// qzsystemtools <tool> <Windows command line>
//
// Started by the emulated machine's process layer for the stand-ins of
// C:\windows\system32 (cmd.exe, regsvr32.exe, runas.exe). The command line is
// the one the Windows program would receive, program item first. Each run
// appends its line to the machine's journal.
#include <cstdlib>
#include <cstring>

#include "platform/base/console.h"
#include "platform/base/text.h"
#include "platform/host/machine.h"
#include "platform/win/journal.h"
#include "platform/win/process.h"
#include "platform/win/security.h"
#include "tools/systemtools/system_tools.h"

namespace qzsystemtools {

void Complain(std::u16string_view text) { win::ConsoleLine(text, true); }

}  // namespace qzsystemtools

namespace {

using ToolFunction = int (*)(std::u16string_view);

ToolFunction ToolNamed(std::string_view name) {
  if (name == "cmd") return qzsystemtools::RunCommandProcessor;
  if (name == "regsvr32") return qzsystemtools::RunRegisterServer;
  if (name == "runas") return qzsystemtools::RunAs;
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  ToolFunction tool = argc == 3 ? ToolNamed(argv[1]) : nullptr;
  if (!tool) {
    qzsystemtools::Complain(
        u"usage: qzsystemtools cmd|regsvr32|runas <Windows command line>\n"
        u"The emulated machine starts this program for C:\\windows\\system32\\<tool>.exe.");
    return 2;
  }
  if (const char* directory = std::getenv("QZ_CURRENT_DIRECTORY"); directory && *directory)
    win::SetCurrentDirectory(win::Utf8ToWide(directory));
  std::u16string arguments = win::SplitProgramItem(win::Utf8ToWide(argv[2])).rest;
  int exitCode = tool(arguments);
  if (!win::AppendJournal(win::Utf8ToWide(argv[1]), arguments, exitCode, win::GetCurrentDirectory(),
                          win::EmulatedElevation()))
    qzsystemtools::Complain(u"qzsystemtools: the journal " + win::Utf8ToWide(win::JournalPath()) +
                            u" cannot be written.");
  return exitCode;
}
