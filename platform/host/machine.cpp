#include "platform/host/machine.h"

#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/base/text.h"
#include "platform/host/machine_internal.h"
#include "platform/host/registry_seed.h"
#include "platform/host/system_tools.h"

namespace win {
namespace {

struct MachineState {
  bool loaded = false;
  std::string root;
  std::u16string user;
  std::u16string currentDirectory = u"C:\\";
};

std::mutex& StateMutex() {
  static std::mutex m;
  return m;
}

MachineState& State() {
  static MachineState* state = new MachineState;  // never destroyed: used until _exit
  return *state;
}

std::string HostEnv(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

void LayOutFreshMachine(const MachineState& s) {
  const std::string user = WideToUtf8(s.user);
  const char* const folders[] = {
      "/drive_c/windows/system32",
      "/drive_c/Program Files",
      "/drive_c/Program Files (x86)",
  };
  for (const char* f : folders) MakeHostDirectories(s.root + f);
  const std::string profile = s.root + "/drive_c/users/" + user;
  for (const char* f : {"/Desktop", "/AppData/Local/Temp", "/AppData/Roaming/Microsoft/Windows/Start Menu"})
    MakeHostDirectories(profile + f);
  InstallSystemTools(s.root + "/drive_c/windows/system32");
  registry::SeedMachineRegistry(s.root, u"C:\\users\\" + s.user);
}

MachineState& Loaded() {
  MachineState& s = State();
  if (s.loaded) return s;
  std::string root = HostEnv("QZ_SYSTEM_ROOT");
  if (root.empty()) {
    std::string data = HostEnv("XDG_DATA_HOME");
    if (data.empty()) data = HostEnv("HOME") + "/.local/share";
    root = data + "/quenda-setup/machine";
  }
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  s.root = root;
  s.user = LoginName();
  s.currentDirectory = u"C:\\";
  LayOutFreshMachine(s);
  s.loaded = true;
  return s;
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::vector<std::u16string_view> SplitComponents(std::u16string_view p) {
  std::vector<std::u16string_view> parts;
  parts.reserve(12);
  size_t i = 0;
  while (i < p.size()) {
    while (i < p.size() && IsSeparator(p[i])) ++i;
    size_t j = i;
    while (j < p.size() && !IsSeparator(p[j])) ++j;
    if (j > i) parts.push_back(p.substr(i, j - i));
    i = j;
  }
  return parts;
}

}  // namespace

const std::string& MachineRoot() {
  std::lock_guard lock(StateMutex());
  return Loaded().root;
}

void ReloadMachine() {
  ForgetHostListings();
  std::lock_guard lock(StateMutex());
  State().loaded = false;
  Loaded();
}

const std::u16string& UserName() {
  std::lock_guard lock(StateMutex());
  return Loaded().user;
}

std::u16string UserProfileDirectory() { return u"C:\\users\\" + UserName(); }

std::u16string GetCurrentDirectory() {
  std::lock_guard lock(StateMutex());
  return Loaded().currentDirectory;
}

bool SetCurrentDirectory(std::u16string_view path) {
  std::u16string full = FullWindowsPath(path);
  if (full.empty()) return false;
  if (!IsHostDirectory(HostPath(full))) return false;
  std::lock_guard lock(StateMutex());
  Loaded().currentDirectory = full;
  return true;
}

bool IsValidNameCharacter(char16_t c) {
  if (c < 0x20) return false;
  switch (c) {
    case u'<': case u'>': case u':': case u'"': case u'|': case u'?': case u'*':
      return false;
    default:
      return true;
  }
}

std::u16string FullWindowsPath(std::u16string_view path) {
  if (path.empty()) return {};
  const bool absolute = path.size() >= 3 && path[1] == u':' && IsSeparator(path[2]);
  const std::u16string cwd = absolute ? std::u16string() : GetCurrentDirectory();
  std::u16string drive;
  std::u16string_view rest;
  if (path.size() >= 2 && path[1] == u':') {
    char16_t letter = FoldAsciiUpper(path[0]);
    if (letter < u'A' || letter > u'Z') return {};
    drive = std::u16string(1, letter) + u":";
    rest = path.substr(2);
    // "C:name" is relative to the current directory when it is on that drive.
    if (rest.empty() || !IsSeparator(rest[0])) {
      if (cwd.size() >= 2 && FoldAsciiUpper(cwd[0]) == letter)
        return FullWindowsPath(cwd + u"\\" + std::u16string(rest));
    }
  } else if (IsSeparator(path[0])) {
    if (path.size() >= 2 && IsSeparator(path[1])) return {};  // UNC paths: no network here
    drive = cwd.substr(0, 2);
    rest = path;
  } else {
    return FullWindowsPath(cwd + u"\\" + std::u16string(path));
  }
  // The components that remain are kept at the front of the same list.
  std::vector<std::u16string_view> stack = SplitComponents(rest);
  size_t kept = 0;
  for (size_t i = 0; i < stack.size(); ++i) {
    std::u16string_view part = stack[i];
    if (part == u".") continue;
    if (part == u"..") {
      if (kept > 0) --kept;
      continue;
    }
    for (char16_t c : part)
      if (!IsValidNameCharacter(c)) return {};
    stack[kept++] = part;
  }
  std::u16string full;
  full.reserve(drive.size() + rest.size() + 1);
  full += drive;
  if (kept == 0) return full + u"\\";
  for (size_t i = 0; i < kept; ++i) {
    full += u'\\';
    full += stack[i];
  }
  return full;
}

bool SplitSpelled(std::u16string_view path, SpelledPath& out) {
  out.full = FullWindowsPath(path);
  if (out.full.empty()) return false;
  // Z: is the host's own root folder, as tools that take host paths need.
  out.base = out.full[0] == u'Z' ? std::string() : MachineRoot() + "/drive_" + char(FoldAsciiLower(out.full[0]));
  out.parts = SplitComponents(std::u16string_view(out.full).substr(2));
  return true;
}

std::u16string WindowsPathOfHost(std::string_view hostPath) {
  const std::string& root = MachineRoot();
  std::string prefix = root + "/drive_";
  if (hostPath.substr(0, prefix.size()) != prefix || hostPath.size() < prefix.size() + 1) {
    if (hostPath.empty() || hostPath[0] != '/') return {};
    std::u16string out = u"Z:";
    for (char16_t c : Utf8ToWide(hostPath)) out.push_back(c == u'/' ? u'\\' : c);
    return out;
  }
  char letter = hostPath[prefix.size()];
  std::string_view rest = hostPath.substr(prefix.size() + 1);
  if (!rest.empty() && rest[0] != '/') return {};
  std::u16string out(1, FoldAsciiUpper(char16_t(letter)));
  out += u":";
  if (rest.empty()) return out + u"\\";
  for (char16_t c : Utf8ToWide(rest)) out.push_back(c == u'/' ? u'\\' : c);
  return out;
}

namespace {

struct DefaultVariable {
  std::u16string_view name;
  std::u16string value;
  // Holds a Windows path: a host value such as TMP=/tmp belongs to the
  // host's own programs and means nothing on the machine.
  bool isPath = true;
};

std::optional<DefaultVariable> DefaultVariableNamed(std::u16string_view name) {
  const std::u16string profile = UserProfileDirectory();
  const DefaultVariable defaults[] = {
      {u"COMSPEC", u"C:\\windows\\system32\\cmd.exe"},
      {u"SystemRoot", u"C:\\windows"},
      {u"windir", u"C:\\windows"},
      {u"USERPROFILE", profile},
      {u"APPDATA", profile + u"\\AppData\\Roaming"},
      {u"LOCALAPPDATA", profile + u"\\AppData\\Local"},
      {u"TEMP", profile + u"\\AppData\\Local\\Temp"},
      {u"TMP", profile + u"\\AppData\\Local\\Temp"},
      {u"USERNAME", UserName(), false},
      {u"ProgramFiles", u"C:\\Program Files"},
  };
  for (const DefaultVariable& d : defaults)
    if (EqualsNoCaseAscii(d.name, name)) return d;
  return std::nullopt;
}

// The host's value of a variable, in the spelling asked for or, for the
// machine's own variables, in capitals (Windows does not care about case).
const char* HostVariable(std::u16string_view name, bool alsoUpperCase) {
  if (const char* raw = std::getenv(WideToUtf8(name).c_str())) return raw;
  if (!alsoUpperCase) return nullptr;
  std::string upper;
  for (char16_t c : name) upper.push_back(char(FoldAsciiUpper(c)));
  return std::getenv(upper.c_str());
}

}  // namespace

std::optional<std::u16string> GetEnvironmentVariable(std::u16string_view name) {
  const std::optional<DefaultVariable> fallback = DefaultVariableNamed(name);
  const char* raw = HostVariable(name, fallback.has_value());
  if (raw && *raw == '\0') return std::nullopt;
  if (raw && !(fallback && fallback->isPath && raw[0] == '/')) return Utf8ToWide(raw);
  if (fallback) return fallback->value;
  return std::nullopt;
}

}  // namespace win
