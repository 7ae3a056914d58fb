#include "engine/install_driver.h"

#include "base/file_helpers.h"
#include "base/install_path.h"
#include "base/install_state.h"
#include "base/native_processor.h"
#include "desktop/preview_handlers.h"
#include "desktop/privileges.h"
#include "desktop/product_launch.h"
#include "desktop/registry_entries.h"
#include "desktop/shortcuts.h"
#include "desktop/stamp_file.h"
#include "engine/install_worker.h"
#include "engine/installation_end.h"
#include "platform/base/text.h"
#include "platform/dialog/top_level_windows.h"
#include "platform/host/thread.h"
#include "platform/win/message_box.h"
#include "platform/win/runtime.h"

namespace qz {
namespace {

constexpr std::u16string_view kProductTitle = u"Quenda Zorvel";
constexpr int kTitleBuffer = 1023;
constexpr unsigned kCloseStepMs = 500;
constexpr int kCloseSteps = 21;
constexpr uintptr_t kProgressTimer = 1;
constexpr unsigned kProgressPeriodMs = 200;
constexpr int kTimerAttempts = 9999;

// Controls that the overwrite-or-update question disables meanwhile.
constexpr int kQuestionControls[] = {1005, 1001, 1007, 1002, 1003, 1004, 2};

bool IsProductWindow(win::TopLevelWindow window) {
  return IsProductWindowTitle(win::GetTopLevelWindowText(window, kTitleBuffer));
}

// Sends the close message to every product window, waiting for each to
// go; the number of windows asked.
int CloseProductWindows() {
  int asked = 0;
  for (win::TopLevelWindow w = win::GetTopLevelWindow(); w != 0;) {
    std::u16string title = win::GetTopLevelWindowText(w, kTitleBuffer);
    win::TopLevelWindow next = win::GetNextTopLevelWindow(w);
    if (IsProductWindowTitle(title)) {
      win::SendCloseMessage(w);
      ++asked;
      for (int step = 0; step < kCloseSteps && win::IsTopLevelWindow(w); ++step) win::Sleep(kCloseStepMs);
    }
    w = next;
  }
  return asked;
}

bool AnyProductWindowLeft() {
  for (win::TopLevelWindow w = win::GetTopLevelWindow(); w != 0; w = win::GetNextTopLevelWindow(w))
    if (IsProductWindow(w)) return true;
  return false;
}

bool AskYes(const InstallDialog& dialog, std::u16string_view question) {
  return win::MessageBox(dialog.Window(), question, kProductTitle,
                         win::MB_YESNO | win::MB_ICONWARNING | win::MB_DEFBUTTON2) == win::IDYES;
}

bool ConfirmWithoutElevation(const InstallDialog& dialog) {
  if (!IsUacEnabled() || IsProcessElevated() != 0) return true;
  return AskYes(dialog,
                u"You have User Account Control(UAC) enabled but did not \"Run As Administrator.\"  You need to restart "
                u"this installer with \"Run As Administrator\"\r\n\r\nIf you want to try to install in a directory you "
                u"have full permissions, press \"YES\" to continue anyway.") &&
         AskYes(dialog, u"Are you really, really sure you want to do that?");
}

std::u16string_view MainExecutableName(int executableChoice) {
  return executableChoice == 0 ? u"Zorvelx86.exe" : u"Zorvelx64.exe";
}

// Whether to update: nothing when the user cancelled the question.
std::optional<int> ChooseUpdate(InstallDialog& dialog, const std::u16string& directory, int executableChoice) {
  if (!FileExists(JoinInstallPath(directory, MainExecutableName(executableChoice)))) return 0;
  if (SharedInstallState().silentInstall) return 1;
  for (int id : kQuestionControls) dialog.EnableControl(id, false);
  std::optional<bool> update = dialog.AskOverwriteOrUpdate();
  for (int id : kQuestionControls) dialog.EnableControl(id, true);
  if (!update) return std::nullopt;
  return *update ? 1 : 0;
}

uintptr_t StartProgressTimer(InstallDialog& dialog) {
  for (int attempt = 0; attempt < kTimerAttempts; ++attempt)
    if (uintptr_t id = dialog.SetTimer(kProgressTimer, kProgressPeriodMs)) return id;
  return 0;
}

struct LinkPaths {
  std::u16string desktop, desktopX86, startMenu, startMenuX86;
};

constexpr std::u16string_view kLinkName = u"Quenda Zorvel";
constexpr std::u16string_view kDescription = u"Vossdyne's Quenda Zorvel";
constexpr std::u16string_view kX86LinkName = u"Quenda Zorvel(x86)";
constexpr std::u16string_view kX86Description = u"Vossdyne's Quenda Zorvel(x86)";

// The Desktop and Start Menu links; false when a main link failed, which
// ends the sequence.
bool MakeLinks(int executableChoice, LinkPaths& paths) {
  const std::u16string_view baseName = executableChoice != 0 ? u"Zorvelx64" : u"Zorvelx86";
  const bool x86Links = IsNative64BitWindows() && executableChoice == 2;
  LinkOutcome desktop = MakeDesktopLink(baseName, kLinkName, kDescription);
  paths.desktop = desktop.linkPath;
  if (!ShowAnyFailure(desktop.status)) return false;
  if (x86Links) {
    LinkOutcome x86 = MakeDesktopLink(u"Zorvelx86", kX86LinkName, kX86Description);
    paths.desktopX86 = x86.linkPath;
    ShowAnyFailure(x86.status);
  }
  LinkOutcome startMenu = MakeStartMenuLink(baseName, kLinkName, kDescription);
  paths.startMenu = startMenu.linkPath;
  if (!ShowAnyFailure(startMenu.status)) return false;
  if (x86Links) {
    LinkOutcome x86 = MakeStartMenuLink(u"Zorvelx86", kX86LinkName, kX86Description);
    paths.startMenuX86 = x86.linkPath;
    ShowAnyFailure(x86.status);
  }
  return true;
}

}  // namespace

bool IsProductWindowTitle(std::u16string_view title) {
  if (title.empty() || title == u"Quenda Zorvel Installer" || !title.starts_with(kProductTitle)) return false;
  std::u16string_view rest = title.substr(kProductTitle.size());
  return rest.empty() || rest.starts_with(u" -");
}

void OnInstallNow(InstallDialog& dialog) {
  dialog.ExchangeData(true);
  if (CloseProductWindows() > 0) {
    win::Sleep(kCloseStepMs);
    if (AnyProductWindowLeft()) {
      ShowMessage(u"Please close all other windows named\r\n     \"Quenda Zorvel\" before installing.");
      return;
    }
  }
  if (!ConfirmWithoutElevation(dialog)) return;
  InstallState& state = SharedInstallState();
  const int executableChoice = dialog.SelectedVersion();
  state.executableChoice = executableChoice;
  const std::u16string directory = dialog.DirectoryText();
  int attempts = 0;
  CreateDirectoryTree(directory, attempts);
  if (!DirectoryExists(directory)) {
    win::MessageBox(dialog.Window(),
                    win::Format(u"Could not create directory \"%ls\"\nPlease choose another location", directory),
                    u"Directory Not Found", win::MB_OK | win::MB_ICONWARNING | win::MB_TOPMOST);
    return;
  }
  state.updateInstall = 0;
  std::optional<int> update = ChooseUpdate(dialog, directory, executableChoice);
  if (!update) return;
  state.updateInstall = *update;
  state.targetDirectory = directory;
  state.SetInstallDone(false);
  dialog.SetInstalling(true);
  dialog.ExchangeData(false);
  dialog.SetTimerId(StartProgressTimer(dialog));
  if (!win::BeginThread(InstallWorker, nullptr)) win::ExitOutOfMemory();
}

void OnInstallTimer(InstallDialog& dialog, uintptr_t timerId) {
  InstallState& state = SharedInstallState();
  if (!state.InstallDone()) {
    dialog.ShowStatusNow(state.StatusText());
    return;
  }
  dialog.SetInstalling(false);
  dialog.ClearStatusText();
  dialog.ExchangeData(false);
  dialog.RepaintNow();
  dialog.KillTimer(timerId);
  dialog.SetTimerId(0);
  RunPostInstallSequence(dialog);
}

void RunPostInstallSequence(InstallDialog& dialog) {
  InstallState& state = SharedInstallState();
  const std::u16string mainExecutable =
      JoinInstallPath(state.targetDirectory, MainExecutableName(state.executableChoice));
  LinkPaths links;
  if (FileExists(mainExecutable) && MakeLinks(state.executableChoice, links)) {
    WriteUninstallInfo(links.startMenu, links.startMenuX86, links.desktop, links.desktopX86);
    RegisterPreviewHandlers();
    WriteStampFile(JoinInstallPath(state.targetDirectory, u"stamp.bin"));
    if (!state.silentInstall)
      ShowMessageText(state.updateInstall != 0 ? u"Quenda Zorvel has been successfully updated"
                                               : u"Quenda Zorvel has been successfully installed");
    RemoveOldProgIds();
    RegisterUninstallEntry(mainExecutable);
    if (!state.silentInstall && LaunchProduct(mainExecutable) == ProductLaunch::handedToBasicUser) EndInstallation();
  }
  dialog.CloseWithOk();
}

}  // namespace qz
