#include "platform/win/registry.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <vector>

#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/machine.h"
#include "platform/host/registry_seed.h"
#include "platform/host/registry_store.h"
#include "platform/win/environment.h"

namespace win {

using registry::Hive;
using registry::Key;
using registry::Tree;

struct RegistryKeyObject {
  Hive hive;
  std::vector<std::u16string> path;  // below the hive's root, after redirection
  REGSAM access;
};

namespace registry_keys {
RegistryKeyObject classesRoot{Hive::localMachine, {u"SOFTWARE", u"Classes"}, ~REGSAM(0)};
RegistryKeyObject currentUser{Hive::currentUser, {}, ~REGSAM(0)};
RegistryKeyObject localMachine{Hive::localMachine, {}, ~REGSAM(0)};
}  // namespace registry_keys

namespace {

constexpr size_t kMaxValueNameLength = 16383;

struct HandleTable {
  std::mutex mutex;
  std::set<HKEY> open;
};

HandleTable& Handles() {
  static HandleTable* table = new HandleTable;  // used until _exit
  return *table;
}

bool IsPredefined(HKEY key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

// A copy of the handle's key, so that a handle closed by another thread
// cannot be read after it is gone.
std::optional<RegistryKeyObject> LookUp(HKEY key) {
  if (IsPredefined(key)) return *key;
  HandleTable& t = Handles();
  std::lock_guard lock(t.mutex);
  if (!t.open.count(key)) return std::nullopt;
  return *key;
}

HKEY NewHandle(RegistryKeyObject object) {
  HKEY key = new RegistryKeyObject(std::move(object));
  HandleTable& t = Handles();
  std::lock_guard lock(t.mutex);
  t.open.insert(key);
  return key;
}

LONG InjectedFault() { return Win32ErrorOf(faults::Check(faults::Op::registry)); }

bool IsRedirectedIn32BitView(const std::vector<std::u16string>& path) {
  return path.size() >= 2 && EqualsNoCaseAscii(path[0], u"SOFTWARE") && !EqualsNoCaseAscii(path[1], u"Classes") &&
         !EqualsNoCaseAscii(path[1], u"WOW6432Node");
}

// The key that hKey\subKey names in the view of the access mask.
LONG ResolveKey(HKEY hKey, LPCWSTR subKey, REGSAM sam, RegistryKeyObject* out) {
  std::optional<RegistryKeyObject> base = LookUp(hKey);
  if (!base) return ERROR_INVALID_HANDLE;
  if ((sam & KEY_WOW64_64KEY) && (sam & KEY_WOW64_32KEY)) return ERROR_INVALID_PARAMETER;
  std::u16string_view sub = subKey ? subKey : u"";
  if (!sub.empty() && sub[0] == u'\\') return ERROR_BAD_PATHNAME;
  *out = *base;
  if (sub.empty()) return ERROR_SUCCESS;  // the handle's own key, in its own view
  while (!sub.empty()) {
    size_t cut = sub.find(u'\\');
    std::u16string_view part = sub.substr(0, cut);
    if (part.empty()) return ERROR_BAD_PATHNAME;
    out->path.emplace_back(part);
    sub = cut == std::u16string_view::npos ? std::u16string_view() : sub.substr(cut + 1);
  }
  if (out->hive == Hive::localMachine && registry::MachineHas64BitView() && !(sam & KEY_WOW64_64KEY) &&
      IsRedirectedIn32BitView(out->path))
    out->path.insert(out->path.begin() + 1, u"WOW6432Node");
  return ERROR_SUCCESS;
}

Key* FindKey(Tree& tree, const RegistryKeyObject& object) {
  Key* key = &tree.Root(object.hive);
  for (const std::u16string& part : object.path) {
    key = key->FindSubkey(part);
    if (!key) return nullptr;
  }
  return key;
}

LONG ReadMachineRegistry(Tree* tree) { return registry::ReadRegistry(MachineRoot(), tree); }

LONG ChangeMachineRegistry(const registry::Edit& edit) { return registry::ChangeRegistry(MachineRoot(), edit); }

// The key of an open handle in the current registry, for the calls that
// work on the handle's own key.
struct HandleKey {
  RegistryKeyObject object;
  Tree tree;
  const Key* key = nullptr;
};

LONG ReadHandleKey(HKEY hKey, REGSAM needed, HandleKey* out) {
  std::optional<RegistryKeyObject> object = LookUp(hKey);
  if (!object) return ERROR_INVALID_HANDLE;
  if ((object->access & needed) != needed) return ERROR_ACCESS_DENIED;
  out->object = std::move(*object);
  if (LONG rc = ReadMachineRegistry(&out->tree); rc != ERROR_SUCCESS) return rc;
  out->key = FindKey(out->tree, out->object);
  return out->key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG OpenKey(HKEY hKey, LPCWSTR subKey, REGSAM sam, PHKEY result) {
  RegistryKeyObject object;
  if (LONG rc = ResolveKey(hKey, subKey, sam, &object); rc != ERROR_SUCCESS) return rc;
  Tree tree;
  if (LONG rc = ReadMachineRegistry(&tree); rc != ERROR_SUCCESS) return rc;
  if (!FindKey(tree, object)) return ERROR_FILE_NOT_FOUND;
  object.access = sam & ~REGSAM(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
  *result = NewHandle(std::move(object));
  return ERROR_SUCCESS;
}

LONG QueryValue(HKEY hKey, LPCWSTR valueName, LPDWORD type, std::vector<uint8_t>* data) {
  HandleKey handle;
  if (LONG rc = ReadHandleKey(hKey, KEY_QUERY_VALUE, &handle); rc != ERROR_SUCCESS) return rc;
  const registry::Value* value = handle.key->FindValue(valueName ? valueName : u"");
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  *data = value->data;
  return ERROR_SUCCESS;
}

// Hands the bytes out as the query calls do.
LONG CopyValueOut(const std::vector<uint8_t>& data, LPBYTE buffer, LPDWORD size) {
  if (!buffer) {
    if (size) *size = DWORD(data.size());
    return ERROR_SUCCESS;
  }
  if (*size < data.size()) {
    *size = DWORD(data.size());
    return ERROR_MORE_DATA;
  }
  std::copy(data.begin(), data.end(), buffer);
  *size = DWORD(data.size());
  return ERROR_SUCCESS;
}

std::u16string TextOfValue(const std::vector<uint8_t>& data) {
  std::u16string text;
  for (size_t i = 0; i + 1 < data.size(); i += 2) text.push_back(char16_t(data[i] | (data[i + 1] << 8)));
  if (size_t nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);
  return text;
}

std::vector<uint8_t> BytesOfText(std::u16string_view text) {
  std::vector<uint8_t> data;
  for (char16_t c : text) data.insert(data.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
  data.insert(data.end(), {0, 0});
  return data;
}

LONG CreateKeyIn(Tree& tree, const RegistryKeyObject& object, size_t existingDepth, bool mayCreate, bool& created) {
  Key* key = &tree.Root(object.hive);
  for (size_t i = 0; i < object.path.size(); ++i) {
    bool added = false;
    if (i >= existingDepth && !registry::IsStorableKeyName(object.path[i])) return ERROR_INVALID_PARAMETER;
    if (!mayCreate && !key->FindSubkey(object.path[i])) return ERROR_ACCESS_DENIED;
    key = &key->AddSubkey(object.path[i], &added);
    created = created || added;
  }
  return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) return rc;
  return OpenKey(hKey, lpSubKey, samDesired, phkResult);
}

LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD dwOptions, REGSAM samDesired,
                        const SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) return rc;
  if (dwOptions != REG_OPTION_NON_VOLATILE) return ERROR_NOT_SUPPORTED;
  std::optional<RegistryKeyObject> parent = LookUp(hKey);
  RegistryKeyObject object;
  if (LONG rc = ResolveKey(hKey, lpSubKey, samDesired, &object); rc != ERROR_SUCCESS) return rc;
  bool mayCreate = (parent->access & KEY_CREATE_SUB_KEY) != 0;
  // Names that exist already (in any spelling) need not be storable anew.
  size_t existingDepth = 0;
  bool created = false;
  LONG rc = ChangeMachineRegistry([&](Tree& tree, bool& changed) {
    const Key* key = &tree.Root(object.hive);
    while (existingDepth < object.path.size() && (key = key->FindSubkey(object.path[existingDepth]))) ++existingDepth;
    LONG result = CreateKeyIn(tree, object, existingDepth, mayCreate, created);
    changed = result == ERROR_SUCCESS && created;
    return result;
  });
  if (rc != ERROR_SUCCESS) return rc;
  object.access = samDesired & ~REGSAM(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
  *phkResult = NewHandle(std::move(object));
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) return rc;
  std::optional<RegistryKeyObject> object = LookUp(hKey);
  if (!object) return ERROR_INVALID_HANDLE;
  if (!(object->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (!lpData && cbData != 0) return ERROR_NOACCESS;
  std::u16string_view name = lpValueName ? lpValueName : u"";
  if (name.size() > kMaxValueNameLength || !registry::IsStorableValueName(name)) return ERROR_INVALID_PARAMETER;
  std::vector<uint8_t> data(lpData, lpData + cbData);
  return ChangeMachineRegistry([&](Tree& tree, bool& changed) {
    Key* key = FindKey(tree, *object);
    if (!key) return LONG(ERROR_KEY_DELETED);
    const registry::Value* old = key->FindValue(name);
    changed = !old || old->type != dwType || old->data != data;
    if (changed) key->SetValue(name, dwType, data);
    return LONG(ERROR_SUCCESS);
  });
}

LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) return rc;
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  std::vector<uint8_t> data;
  if (LONG rc = QueryValue(hKey, lpValueName, lpType, &data); rc != ERROR_SUCCESS) return rc;
  return CopyValueOut(data, lpData, lpcbData);
}

LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                      LPWSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) {
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) return rc;
  if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  HandleKey handle;
  if (LONG rc = ReadHandleKey(hKey, KEY_ENUMERATE_SUB_KEYS, &handle); rc != ERROR_SUCCESS) return rc;
  if (dwIndex >= handle.key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const std::u16string& name = handle.key->subkeys[dwIndex].name;
  if (*lpcchName <= name.size() || (lpClass && *lpcchClass == 0)) return ERROR_MORE_DATA;
  std::copy(name.begin(), name.end(), lpName);
  lpName[name.size()] = u'\0';
  *lpcchName = DWORD(name.size());
  if (lpClass) {
    lpClass[0] = u'\0';
    *lpcchClass = 0;
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{};
  return ERROR_SUCCESS;
}

LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) return rc;
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  RegistryKeyObject object;
  if (LONG rc = ResolveKey(hKey, lpSubKey, 0, &object); rc != ERROR_SUCCESS) return rc;
  if (*lpSubKey == u'\0' && (IsPredefined(hKey) || !(object.access & DELETE))) return ERROR_ACCESS_DENIED;
  return ChangeMachineRegistry([&](Tree& tree, bool& changed) {
    RegistryKeyObject parent = object;
    parent.path.pop_back();
    Key* parentKey = FindKey(tree, parent);
    Key* key = parentKey ? parentKey->FindSubkey(object.path.back()) : nullptr;
    if (!key) return LONG(ERROR_FILE_NOT_FOUND);
    if (!key->subkeys.empty()) return LONG(ERROR_ACCESS_DENIED);
    parentKey->RemoveSubkey(object.path.back());
    changed = true;
    return LONG(ERROR_SUCCESS);
  });
}

LSTATUS RegCloseKey(HKEY hKey) {
  if (IsPredefined(hKey)) return ERROR_SUCCESS;
  HandleTable& t = Handles();
  {
    std::lock_guard lock(t.mutex);
    if (!t.open.erase(hKey)) return ERROR_INVALID_HANDLE;
  }
  delete hKey;
  return ERROR_SUCCESS;
}

LSTATUS SHGetValueW(HKEY hkey, LPCWSTR pszSubKey, LPCWSTR pszValue, DWORD* pdwType, void* pvData, DWORD* pcbData) {
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) return rc;
  if (pvData && !pcbData) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  if (LONG rc = OpenKey(hkey, pszSubKey, KEY_QUERY_VALUE, &key); rc != ERROR_SUCCESS) return rc;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
  LONG rc = QueryValue(key, pszValue, &type, &data);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return rc;
  if (type == REG_EXPAND_SZ) {
    data = BytesOfText(ExpandEnvironmentStrings(TextOfValue(data)));
    type = REG_SZ;
  }
  if (pdwType) *pdwType = type;
  return CopyValueOut(data, static_cast<LPBYTE>(pvData), pcbData);
}

size_t OpenRegistryKeyCount() {
  HandleTable& t = Handles();
  std::lock_guard lock(t.mutex);
  return t.open.size();
}

}  // namespace win
