#include "platform/host/registry_seed.h"

#include <vector>

#include "platform/host/registry_store.h"
#include "platform/host/system_info.h"

namespace win::registry {
namespace {

std::vector<uint8_t> Text(std::u16string_view text) {
  std::vector<uint8_t> data;
  for (char16_t c : text) data.insert(data.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
  data.insert(data.end(), {0, 0});
  return data;
}

std::vector<uint8_t> Dword(uint32_t n) { return {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}; }

Key& KeyAt(Key& root, std::initializer_list<std::u16string_view> path) {
  Key* key = &root;
  for (std::u16string_view part : path) key = &key->AddSubkey(part);
  return *key;
}

// The keys below SOFTWARE that each view holds, with its program files.
void AddSoftwareView(Key& software, std::u16string_view programFiles, bool is64Bit) {
  Key& currentVersion = KeyAt(software, {u"Microsoft", u"Windows", u"CurrentVersion"});
  currentVersion.SetValue(u"ProgramFilesDir", REG_SZ, Text(programFiles));
  if (is64Bit) currentVersion.SetValue(u"ProgramFilesDir (x86)", REG_SZ, Text(u"C:\\Program Files (x86)"));
  KeyAt(currentVersion, {u"Policies", u"System"}).SetValue(u"EnableLUA", REG_DWORD, Dword(1));
  KeyAt(currentVersion, {u"Uninstall"});
}

void AddShellFolders(Key& currentUser, std::u16string_view userProfile) {
  Key& explorer = KeyAt(currentUser, {u"Software", u"Microsoft", u"Windows", u"CurrentVersion", u"Explorer"});
  Key& user = KeyAt(explorer, {u"User Shell Folders"});
  user.SetValue(u"Desktop", REG_EXPAND_SZ, Text(u"%USERPROFILE%\\Desktop"));
  user.SetValue(u"Start Menu", REG_EXPAND_SZ, Text(u"%APPDATA%\\Microsoft\\Windows\\Start Menu"));
  Key& expanded = KeyAt(explorer, {u"Shell Folders"});
  std::u16string profile(userProfile);
  expanded.SetValue(u"Desktop", REG_SZ, Text(profile + u"\\Desktop"));
  expanded.SetValue(u"Start Menu", REG_SZ, Text(profile + u"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"));
}

}  // namespace

bool MachineHas64BitView() {
  GetNativeSystemInfoFunction native = LookUpGetNativeSystemInfo();
  if (!native) return false;
  SYSTEM_INFO info;
  native(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

Tree FreshMachineRegistry(std::u16string_view userProfile, bool is64Bit) {
  Tree tree;
  Key& software = KeyAt(tree.localMachine, {u"SOFTWARE"});
  KeyAt(software, {u"Classes"});
  AddSoftwareView(software, u"C:\\Program Files", is64Bit);
  if (is64Bit) AddSoftwareView(KeyAt(software, {u"WOW6432Node"}), u"C:\\Program Files (x86)", true);
  AddShellFolders(tree.currentUser, userProfile);
  return tree;
}

void SeedMachineRegistry(const std::string& machineRoot, std::u16string_view userProfile) {
  CreateRegistryIfMissing(machineRoot, FreshMachineRegistry(userProfile, MachineHas64BitView()));
}

}  // namespace win::registry
