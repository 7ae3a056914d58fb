#include "desktop/shortcuts.h"

#include <array>
#include <initializer_list>

#include "base/install_path.h"
#include "base/install_state.h"
#include "desktop/registry_entries.h"
#include "desktop/registry_key.h"
#include "desktop/uninstall_info.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/win/shell_folders.h"
#include "platform/win/shell_link.h"

namespace qz {
namespace {

constexpr std::u16string_view kUserShellFolders =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::u16string_view kShellFolders = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr size_t kFolderBufferChars = 2048;

struct ShellFolder {
  int csidl;
  std::array<std::u16string_view, 2> valueNames;  // tried in order in each key; empty: none
  std::u16string_view notFound;
  std::u16string_view setPathFailed;
  std::u16string_view saveFailed;
};

const ShellFolder kDesktop = {
    win::CSIDL_DESKTOPDIRECTORY,
    {u"Desktop", u""},
    u"Couldn't find Desktop location",
    u"Trouble making link on desktop: SetPath() failed.",
    u"Trouble saving link on desktop.\nYou can still make make a desktop shortcut to the Quenda Zorvel executable by "
    u"hand.",
};

const ShellFolder kStartMenu = {
    win::CSIDL_STARTMENU,
    {u"Start Menu", u"Common Start Menu"},
    u"Could't find Start Menu Shell Folder location",
    u"Trouble making link in Start Menu: SetPath() failed.",
    u"Trouble saving link in Start Menu: Save() failed.",
};

// The folder as the registry records it. The text is used as stored:
// references such as %USERPROFILE% are not expanded.
std::optional<std::u16string> RegisteredFolder(const ShellFolder& folder) {
  for (std::u16string_view keyPath : {kUserShellFolders, kShellFolders}) {
    RegistryKey key = RegistryKey::Open(win::HKEY_CURRENT_USER, keyPath, win::KEY_QUERY_VALUE | RegistryViewFlag());
    for (std::u16string_view name : folder.valueNames) {
      if (name.empty()) continue;
      std::optional<RegistryText> value = key.ReadText(name);
      if (value && !value->text.empty()) return std::move(value->text);
    }
  }
  return std::nullopt;
}

std::optional<std::u16string> FindFolder(const ShellFolder& folder) {
  char16_t path[kFolderBufferChars] = {};
  if (win::SUCCEEDED(win::SHGetFolderPathW(nullptr, folder.csidl, nullptr, 0, path)) && path[0] != u'\0')
    return std::u16string(path);
  return RegisteredFolder(folder);
}

// COM for the calling thread while the link is made.
class ComScope {
 public:
  ComScope() : result_(win::CoInitialize(nullptr)) {}
  ~ComScope() {
    if (win::SUCCEEDED(result_)) win::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  win::HRESULT result_;
};

template <class Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_) pointer_->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;

  void** Out() { return reinterpret_cast<void**>(&pointer_); }
  Interface* operator->() const { return pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

struct LinkProperties {
  std::u16string linkPath;
  std::u16string targetPath;
  std::u16string workingDirectory;
  std::u16string description;
};

Status SaveShellLink(const LinkProperties& link, const ShellFolder& folder) {
  ComScope com;
  ComPointer<win::IShellLinkW> shellLink;
  // Without a link object there is nothing to make and nothing to report.
  if (win::FAILED(win::CoCreateInstance(win::CLSID_ShellLink, nullptr, win::CLSCTX_INPROC_SERVER, win::IID_IShellLinkW,
                                        shellLink.Out())))
    return {};
  ComPointer<win::IPersistFile> file;
  if (win::FAILED(shellLink->QueryInterface(win::IID_IPersistFile, file.Out()))) return {};
  if (win::FAILED(shellLink->SetPath(link.targetPath.c_str()))) return Failure{std::u16string(folder.setPathFailed)};
  shellLink->SetWorkingDirectory(link.workingDirectory.c_str());
  if (!link.description.empty()) shellLink->SetDescription(link.description.c_str());
  if (win::FAILED(file->Save(link.linkPath.c_str(), win::TRUE))) return Failure{std::u16string(folder.saveFailed)};
  return {};
}

LinkOutcome MakeLink(const ShellFolder& folder, std::u16string_view executableBaseName, std::u16string_view linkName,
                     std::u16string_view description) {
  LinkOutcome outcome;
  std::optional<std::u16string> folderPath = FindFolder(folder);
  if (!folderPath) {
    outcome.status = Failure{std::u16string(folder.notFound)};
    return outcome;
  }
  const std::u16string& directory = SharedInstallState().targetDirectory;
  LinkProperties link;
  link.linkPath = win::Format(u"%ls\\%ls.lnk", *folderPath, linkName);
  link.targetPath = win::Format(u"%ls\\%ls.exe", directory, executableBaseName);
  link.workingDirectory = directory;
  link.description = description;
  outcome.linkPath = link.linkPath;
  outcome.status = SaveShellLink(link, folder);
  return outcome;
}

}  // namespace

LinkOutcome MakeDesktopLink(std::u16string_view executableBaseName, std::u16string_view linkName,
                            std::u16string_view description) {
  return MakeLink(kDesktop, executableBaseName, linkName, description);
}

LinkOutcome MakeStartMenuLink(std::u16string_view executableBaseName, std::u16string_view linkName,
                              std::u16string_view description) {
  return MakeLink(kStartMenu, executableBaseName, linkName, description);
}

void WriteUninstallInfo(std::u16string_view startMenuLink, std::u16string_view startMenuX86Link,
                        std::u16string_view desktopLink, std::u16string_view desktopX86Link) {
  const std::string text = UninstallInfoBytes({startMenuLink, startMenuX86Link, desktopLink, desktopX86Link});
  win::File file =
      win::File::Open(JoinInstallPath(SharedInstallState().targetDirectory, u".\\uninstall.info"), win::OpenMode::write);
  if (!file) return;
  file.Write(text.data(), text.size());
  file.Close();
}

}  // namespace qz
