#include "platform/machine.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/text.h"

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

std::u16string LoginName() {
  std::string name = HostEnv("USER");
  if (name.empty()) {
    if (const passwd* pw = getpwuid(getuid())) name = pw->pw_name;
  }
  if (name.empty()) name = "user";
  return Utf8ToWide(name);
}

void MakeHostDirectories(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (!partial.empty()) ::mkdir(partial.c_str(), 0755);
  }
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

bool HostExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Finds a directory entry that equals the name without regard to ASCII case.
std::optional<std::string> FindNoCaseEntry(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return std::nullopt;
  std::optional<std::string> found;
  std::u16string wanted = Utf8ToWide(name);
  while (dirent* e = ::readdir(d)) {
    if (EqualsNoCaseAscii(Utf8ToWide(e->d_name), wanted)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

const std::string& MachineRoot() {
  std::lock_guard lock(StateMutex());
  return Loaded().root;
}

void ReloadMachine() {
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
  struct stat st;
  if (::stat(HostPath(full).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
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
  std::u16string cwd = GetCurrentDirectory();
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
  std::vector<std::u16string_view> stack;
  for (std::u16string_view part : SplitComponents(rest)) {
    if (part == u".") continue;
    if (part == u"..") {
      if (!stack.empty()) stack.pop_back();
      continue;
    }
    for (char16_t c : part)
      if (!IsValidNameCharacter(c)) return {};
    stack.push_back(part);
  }
  std::u16string full = drive;
  if (stack.empty()) return full + u"\\";
  for (std::u16string_view part : stack) {
    full += u'\\';
    full += part;
  }
  return full;
}

std::string HostPath(std::u16string_view path) {
  std::u16string full = FullWindowsPath(path);
  if (full.empty()) return {};
  // Z: is the host's own root folder, as tools that take host paths need.
  std::string host = full[0] == u'Z' ? std::string() : MachineRoot() + "/drive_" + char(FoldAsciiLower(full[0]));
  std::vector<std::u16string_view> parts = SplitComponents(std::u16string_view(full).substr(2));
  std::string exact = host;
  for (std::u16string_view part : parts) exact += "/" + WideToUtf8(part);
  if (parts.empty()) return host.empty() ? "/" : host;
  if (HostExists(exact)) return exact;
  // The exact spelling is missing: resolve component by component.
  size_t i = 0;
  for (; i < parts.size(); ++i) {
    std::string name = WideToUtf8(parts[i]);
    std::string candidate = host + "/" + name;
    if (HostExists(candidate)) {
      host = std::move(candidate);
      continue;
    }
    std::optional<std::string> match = FindNoCaseEntry(host, name);
    if (!match) break;
    host += "/" + *match;
  }
  for (; i < parts.size(); ++i) host += "/" + WideToUtf8(parts[i]);
  return host;
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

std::optional<std::u16string> GetEnvironmentVariable(std::u16string_view name) {
  if (const char* raw = std::getenv(WideToUtf8(name).c_str())) {
    if (*raw == '\0') return std::nullopt;
    return Utf8ToWide(raw);
  }
  const std::u16string profile = UserProfileDirectory();
  struct Default {
    std::u16string_view name;
    std::u16string value;
  };
  const Default defaults[] = {
      {u"COMSPEC", u"C:\\windows\\system32\\cmd.exe"},
      {u"SystemRoot", u"C:\\windows"},
      {u"windir", u"C:\\windows"},
      {u"USERPROFILE", profile},
      {u"APPDATA", profile + u"\\AppData\\Roaming"},
      {u"LOCALAPPDATA", profile + u"\\AppData\\Local"},
      {u"TEMP", profile + u"\\AppData\\Local\\Temp"},
      {u"TMP", profile + u"\\AppData\\Local\\Temp"},
      {u"USERNAME", UserName()},
      {u"ProgramFiles", u"C:\\Program Files"},
  };
  for (const Default& d : defaults)
    if (EqualsNoCaseAscii(d.name, name)) {
      // The host may spell a variable in another case (Windows does not care).
      std::string upper;
      for (char16_t c : name) upper.push_back(char(FoldAsciiUpper(c)));
      if (const char* raw = std::getenv(upper.c_str())) {
        if (*raw == '\0') return std::nullopt;
        return Utf8ToWide(raw);
      }
      return d.value;
    }
  return std::nullopt;
}

}  // namespace win
