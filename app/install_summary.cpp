// The console's last lines after an installation: how many files went into
// which directory, and where that is on the host.
#include <string>

#include "app/setup_app.h"
#include "base/install_state.h"
#include "desktop/uninstall_info.h"
#include "platform/base/console.h"
#include "platform/base/text.h"
#include "platform/dialog/dialog_backend.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "platform/win/journal.h"

namespace qz {
namespace {

struct TreeTotals {
  unsigned long long files = 0;
  unsigned long long bytes = 0;
};

void CountTree(const std::u16string& directory, TreeTotals& totals) {
  for (const std::u16string& name : win::ListDirectory(directory)) {
    std::u16string path = directory + u"\\" + name;
    std::optional<win::FileStatus> status = win::GetFileStatus(path);
    if (!status) continue;
    if (status->isDirectory) {
      CountTree(path, totals);
    } else {
      ++totals.files;
      totals.bytes += status->size;
    }
  }
}

// The links that uninstall.info lists, one line each, read in the encoding
// they were written in.
void ReportLinks(const std::u16string& directory) {
  win::File log = win::File::Open(directory + u"\\uninstall.info", win::OpenMode::read);
  if (!log) return;
  std::string bytes;
  char block[16384];
  while (size_t n = log.Read(block, sizeof block)) bytes.append(block, n);
  const std::u16string text = UninstallInfoText(bytes);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u"\r\n", start);
    if (end == std::u16string::npos) end = text.size();
    win::ConsoleLine(u"  " + text.substr(start, end - start));
    start = end + 2;
  }
}

// What the installer ran: regsvr32 for the preview handlers, the product's start.
void ReportJournal() {
  for (const win::JournalEntry& e : win::ReadJournal())
    win::ConsoleLine(u"  ran " + e.program + u" " + e.arguments + u" (exit code " +
                     win::Utf8ToWide(std::to_string(e.exitCode)) + u")");
}

}  // namespace

void ReportInstallation() {
  const InstallState& state = SharedInstallState();
  if (!win::ActiveBackend().IsConsole() || !state.InstallDone()) return;
  TreeTotals totals;
  CountTree(state.targetDirectory, totals);
  win::ConsoleLine(win::Format(u"Installed %ls files (%ls bytes) into %ls.",
                               win::Utf8ToWide(std::to_string(totals.files)),
                               win::Utf8ToWide(std::to_string(totals.bytes)), state.targetDirectory));
  win::ConsoleLine(win::Utf8ToWide("The emulated machine is " + win::MachineRoot() + "; the files are in " +
                                   win::HostPath(state.targetDirectory)));
  ReportLinks(state.targetDirectory);
  ReportJournal();
  win::ConsoleLine(win::Utf8ToWide("Registry entries: " + win::MachineRoot() + "/registry.reg"));
}

}  // namespace qz
