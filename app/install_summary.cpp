// The console's last lines after an installation: how many files went into
// which directory, and where that is on the host.
#include <string>

#include "app/setup_app.h"
#include "engine/install_state.h"
#include "platform/console.h"
#include "platform/dialog_backend.h"
#include "platform/file_system.h"
#include "platform/machine.h"
#include "platform/text.h"

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
}

}  // namespace qz
