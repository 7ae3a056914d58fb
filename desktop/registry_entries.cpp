#include "desktop/registry_entries.h"

#include <atomic>
#include <initializer_list>
#include <span>
#include <string>

#include "base/find_no_case.h"
#include "base/native_processor.h"
#include "desktop/registry_key.h"
#include "platform/base/text.h"

namespace qz {
namespace {

constexpr std::u16string_view kUninstallParent = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr std::u16string_view kProductName = u"Quenda Zorvel";
constexpr std::u16string_view kPublisher = u"Tessaly Corporation";

// Inspected by the icon rule in this order; the first four also by the
// description rule.
constexpr std::u16string_view kOldProgIds[] = {
    u"ACS.Document",   u"ASC.Document",     u"Asy.Document",   u"Cir.document",     u"ECS.Document",
    u"Net.Document",   u"Raw.Document",     u"Sp.Document",    u"Quenda Netlist",   u"Quenda Schematic",
    u"Quenda.Netlist", u"Quenda.Schematic", u"Quenda.Symbol",  u"Quenda.Rawfile",
};
constexpr size_t kDescriptionRuleEntries = 4;

// A DefaultIcon text of the usual "dir\file.exe,index" form that names an
// executable of the product or of its earlier release.
constexpr std::u16string_view kIconMarkers[] = {u"\\pelorn.exe,", u"\\Zorvelx86.exe,", u"\\Zorvelx64.exe,"};
constexpr std::u16string_view kDescriptionMarkers[] = {u"Quenda"};

constexpr win::DWORD kSubkeyNameChars = 260;

std::atomic<win::REGSAM> gViewFlag{0};
std::atomic<bool> gViewFlagSet{false};

void SetTextValue(win::HKEY key, const char16_t* name, std::u16string_view text) {
  const std::u16string data(text);
  // The stored byte count includes the terminating NUL.
  win::RegSetValueExW(key, name, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(data.c_str()),
                      win::DWORD((data.size() + 1) * sizeof(char16_t)));
}

bool HasEmptyComponent(std::u16string_view path) {
  return path.empty() || path.front() == u'\\' || path.back() == u'\\' || path.find(u"\\\\") != path.npos;
}

bool DeleteTree(win::HKEY parent, std::u16string& path);

// Deletes the subkeys of the open key, whose path below parent is path
// (ending in a backslash). Index 0 each time: a deleted subkey leaves the
// enumeration. Stops at the first subkey that stays.
void DeleteSubkeys(win::HKEY parent, win::HKEY key, std::u16string& path) {
  const size_t base = path.size();
  std::u16string previous;
  for (;;) {
    char16_t name[kSubkeyNameChars];
    win::DWORD length = kSubkeyNameChars;
    if (win::RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != win::ERROR_SUCCESS) return;
    std::u16string_view child(name, length);
    // A subkey reported gone that is still listed would be tried forever.
    if (child == previous) return;
    previous.assign(child);
    path.resize(base);
    path += child;
    const bool deleted = DeleteTree(parent, path);
    path.resize(base);
    if (!deleted) return;
  }
}

bool DeleteTree(win::HKEY parent, std::u16string& path) {
  if (win::RegDeleteKeyW(parent, path.c_str()) == win::ERROR_SUCCESS) return true;
  win::LSTATUS opened = win::ERROR_SUCCESS;
  RegistryKey key = RegistryKey::Open(parent, path, win::KEY_READ | RegistryViewFlag(), &opened);
  if (!key) return opened == win::ERROR_FILE_NOT_FOUND;
  const size_t length = path.size();
  path += u'\\';
  DeleteSubkeys(parent, key.Get(), path);
  path.resize(length);
  key.Close();
  return win::RegDeleteKeyW(parent, path.c_str()) == win::ERROR_SUCCESS;
}

// Opens keyPath below HKEY_CLASSES_ROOT and deletes the subkeys below it;
// nothing when the key cannot be opened.
void DeleteClassesSubkeys(std::u16string_view keyPath, std::initializer_list<std::u16string_view> subkeys) {
  RegistryKey key = RegistryKey::Open(win::HKEY_CLASSES_ROOT, keyPath, win::KEY_CREATE_SUB_KEY | RegistryViewFlag());
  if (!key) return;
  for (std::u16string_view subkey : subkeys) DeleteRegistryTree(key.Get(), subkey);
}

bool IsProductText(const std::optional<RegistryText>& value, std::span<const std::u16string_view> markers) {
  if (!value || value->type != win::REG_SZ) return false;
  for (std::u16string_view marker : markers)
    if (FindNoCase(value->text, marker)) return true;
  return false;
}

bool IconNamesProduct(std::u16string_view progId) {
  RegistryKey icon = RegistryKey::Open(win::HKEY_CLASSES_ROOT, win::Format(u"%ls\\DefaultIcon", progId),
                                       win::KEY_QUERY_VALUE | RegistryViewFlag());
  return IsProductText(icon.ReadText(u""), kIconMarkers);
}

bool DescriptionNamesProduct(std::u16string_view progId) {
  RegistryKey key = RegistryKey::Open(win::HKEY_CLASSES_ROOT, progId, win::KEY_QUERY_VALUE);
  return IsProductText(key.ReadText(u""), kDescriptionMarkers);
}

void DeleteProgIdKey(std::u16string_view progId) {
  RegistryKey classes = RegistryKey::Open(win::HKEY_CLASSES_ROOT, u"", win::KEY_ALL_ACCESS | RegistryViewFlag());
  if (classes) DeleteRegistryTree(classes.Get(), progId);
}

}  // namespace

void InitializeRegistryViewFlag() {
  gViewFlag.store(IsNative64BitWindows() ? win::REGSAM(win::KEY_WOW64_64KEY) : 0);
  gViewFlagSet.store(true);
}

win::REGSAM RegistryViewFlag() {
  if (!gViewFlagSet.load()) InitializeRegistryViewFlag();
  return gViewFlag.load();
}

bool DeleteRegistryTree(win::HKEY parent, std::u16string_view subkey) {
  if (HasEmptyComponent(subkey)) return false;
  std::u16string path(subkey);
  return DeleteTree(parent, path);
}

void RegisterUninstallEntry(std::u16string_view mainExecutablePath) {
  RegistryKey uninstall =
      RegistryKey::Open(win::HKEY_LOCAL_MACHINE, kUninstallParent, win::KEY_CREATE_SUB_KEY | RegistryViewFlag());
  if (!uninstall) return;
  const std::u16string name(kProductName);
  win::HKEY created = nullptr;
  // No access is needed of the new key, only the view: without it a key
  // relative to the 64-bit handle may land in the 32-bit view again.
  if (win::RegCreateKeyExW(uninstall.Get(), name.c_str(), 0, nullptr, win::REG_OPTION_NON_VOLATILE, RegistryViewFlag(),
                           nullptr, &created, nullptr) == win::ERROR_SUCCESS)
    win::RegCloseKey(created);
  RegistryKey entry = RegistryKey::Open(win::HKEY_LOCAL_MACHINE, win::Format(u"%ls\\%ls", kUninstallParent, kProductName),
                                        win::KEY_SET_VALUE | RegistryViewFlag());
  if (!entry) return;
  SetTextValue(entry.Get(), u"DisplayName", kProductName);
  // Quoted: an unquoted path with spaces lets Windows try "C:\Program.exe"
  // and the like first.
  SetTextValue(entry.Get(), u"UninstallString", win::Format(u"\"%ls\" -uninstall", mainExecutablePath));
  SetTextValue(entry.Get(), u"Publisher", kPublisher);
}

void RemoveFileType(std::u16string_view extension, std::u16string_view kind) {
  DeleteRegistryTree(win::HKEY_CLASSES_ROOT, extension);
  DeleteRegistryTree(win::HKEY_CLASSES_ROOT, win::Format(u"Quenda.%ls", kind));
  DeleteRegistryTree(win::HKEY_LOCAL_MACHINE, win::Format(u"SOFTWARE\\Classes\\%ls", extension));
  DeleteRegistryTree(win::HKEY_LOCAL_MACHINE, win::Format(u"SOFTWARE\\Classes\\Quenda.%ls", kind));
}

void RemoveProgId(std::u16string_view progId) {
  if (progId.empty()) return;
  DeleteClassesSubkeys(win::Format(u"%ls\\shell\\open\\ddeexec", progId), {u"Application"});
  for (std::u16string_view verb : {u"open", u"print", u"printto"})
    DeleteClassesSubkeys(win::Format(u"%ls\\shell\\%ls", progId, verb), {u"ddeexec", u"command"});
  DeleteClassesSubkeys(win::Format(u"%ls\\shell", progId), {u"open", u"print", u"printto"});
  DeleteClassesSubkeys(progId, {u"DefaultIcon", u"shell"});
  DeleteClassesSubkeys(u"", {progId});
}

void RemoveOldProgIds() {
  for (std::u16string_view progId : kOldProgIds)
    if (IconNamesProduct(progId)) RemoveProgId(progId);
  for (size_t i = 0; i < kDescriptionRuleEntries; ++i)
    if (DescriptionNamesProduct(kOldProgIds[i])) DeleteProgIdKey(kOldProgIds[i]);
}

}  // namespace qz
