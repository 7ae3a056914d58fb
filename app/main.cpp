// The console run of the installer: a silent overwrite installation of the
// embedded catalogue into the emulated machine, with the worker's status
// lines printed as a 200 ms timer would show them.
#include <chrono>
#include <string>

#include "engine/database_sync.h"
#include "engine/file_helpers.h"
#include "engine/install_worker.h"
#include "engine/native_processor.h"
#include "payload/embedded_catalogue.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/machine.h"
#include "platform/runtime.h"
#include "platform/text.h"
#include "platform/thread.h"

namespace {

constexpr std::u16string_view kDefaultDirectory = u"C:\\Program Files\\Ombra\\QuendaZorvel";

struct TreeTotals {
  unsigned long long files = 0, bytes = 0;
};

void CountTree(const std::u16string& dir, TreeTotals& totals) {
  for (const std::u16string& name : win::ListDirectory(dir)) {
    std::u16string path = dir + u"\\" + name;
    if (auto status = win::GetFileStatus(path)) {
      if (status->isDirectory) {
        CountTree(path, totals);
      } else {
        ++totals.files;
        totals.bytes += status->size;
      }
    }
  }
}

bool HasSwitch(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-AcceptedLicense" || a == "/AcceptedLicense") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (!HasSwitch(argc, argv)) {
    win::ConsoleLine(u"This console run installs silently only: run it with -AcceptedLicense.", true);
    return 0;
  }
  qz::UseCatalogue(qz::EmbeddedCatalogue());
  qz::InstallState& state = qz::SharedInstallState();
  state.silentInstall = true;
  state.targetDirectory = kDefaultDirectory;
  state.executableChoice = qz::IsNative64BitWindows() ? 1 : 0;
  int attempts = 0;
  qz::CreateDirectoryTree(state.targetDirectory, attempts);
  // Until the dialog decides, QZ_UPDATE=1 asks for an update of an existing installation.
  auto update = win::GetEnvironmentVariable(u"QZ_UPDATE");
  std::u16string mainExecutable =
      qz::JoinInstallPath(state.targetDirectory, state.executableChoice == 0 ? u"Zorvelx86.exe" : u"Zorvelx64.exe");
  state.updateInstall = update && *update == u"1" && qz::FileExists(mainExecutable) ? 1 : 0;
  qz::EnableDatabaseSync();
  state.SetInstallDone(false);

  auto start = std::chrono::steady_clock::now();
  if (!win::BeginThread(qz::InstallWorker, nullptr)) {
    qz::ShowMessage(u"Could not start the installation.");
    return 0;
  }
  std::u16string shown;
  while (!state.InstallDone()) {
    win::Sleep(200);
    std::u16string status = state.StatusText();
    while (!status.empty() && status.back() == u'\n') status.pop_back();
    if (status != shown && !state.InstallDone()) win::ConsoleLine(shown = status);
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  TreeTotals totals;
  CountTree(state.targetDirectory, totals);
  win::ConsoleLine(win::Format(u"Installed %d files (%ls bytes) into %ls in %ls s.", int(totals.files),
                               win::Utf8ToWide(std::to_string(totals.bytes)), state.targetDirectory,
                               win::Utf8ToWide(std::to_string(seconds))));
  win::ConsoleLine(win::Utf8ToWide("The emulated machine is " + win::MachineRoot() + "; the files are in " +
                                   win::HostPath(state.targetDirectory)));
  return 0;
}
