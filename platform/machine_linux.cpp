#include "platform/machine.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/machine_internal.h"
#include "platform/registry_seed.h"
#include "platform/system_tools.h"
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

std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return folded;
}

// File systems stamp changes with a coarse clock: two changes this close
// together may carry the same modification time.
constexpr int64_t kRacyNanoseconds = 20'000'000;

int64_t ModifiedNanoseconds(const struct stat& st) { return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec; }

// Directory listings by folded name, so that a name missing in its exact
// spelling is looked up without reading the directory again. A listing is
// trusted while the directory's modification time is the one it was read
// at, unless it was read so soon after that time that a later change could
// carry the same time stamp; the layer's own creations and removals keep it
// current.
class ListingCache {
 public:
  // known: the directory's status when the caller has just read it.
  std::optional<std::string> Find(const std::string& dir, std::string_view name, const struct stat* known = nullptr) {
    bool listed = false;
    return LookUp(dir, name, known, &listed);
  }

  // Find, also telling whether the directory could be listed at all: only
  // then does a miss prove that no name of that spelling exists.
  std::optional<std::string> LookUp(const std::string& dir, std::string_view name, const struct stat* known,
                                    bool* listed) {
    *listed = false;
    struct stat st;
    if (known) st = *known;
    else if (::stat(dir.c_str(), &st) != 0) return std::nullopt;
    if (!S_ISDIR(st.st_mode)) return std::nullopt;
    std::lock_guard lock(mutex_);
    Listing& listing = listings_[dir];
    if (!listing.valid || listing.racy || listing.modified != ModifiedNanoseconds(st))
      Read(dir, ModifiedNanoseconds(st), listing);
    *listed = listing.valid;
    auto it = listing.byFolded.find(FoldedName(name));
    if (it == listing.byFolded.end()) return std::nullopt;
    return it->second;
  }

  void Note(const std::string& hostPath, bool added) {
    size_t slash = hostPath.rfind('/');
    if (slash == std::string::npos) return;
    std::string dir = hostPath.substr(0, slash), name = hostPath.substr(slash + 1);
    std::lock_guard lock(mutex_);
    auto it = listings_.find(dir);
    if (it == listings_.end() || !it->second.valid) return;
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0) {
      listings_.erase(it);
      return;
    }
    if (added)
      it->second.byFolded.emplace(FoldedName(name), name);
    else
      it->second.byFolded.erase(FoldedName(name));
    it->second.modified = ModifiedNanoseconds(st);
    it->second.racy = false;
  }

  void Clear() {
    std::lock_guard lock(mutex_);
    listings_.clear();
  }

 private:
  struct Listing {
    bool valid = false;
    bool racy = false;
    int64_t modified = 0;
    std::unordered_map<std::string, std::string> byFolded;
  };

  static void Read(const std::string& dir, int64_t modified, Listing& listing) {
    listing.byFolded.clear();
    listing.valid = false;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = ::readdir(d)) listing.byFolded.emplace(FoldedName(e->d_name), e->d_name);
    ::closedir(d);
    listing.modified = modified;
    listing.valid = true;
    timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    listing.racy = int64_t(now.tv_sec) * 1000000000 + now.tv_nsec - modified < kRacyNanoseconds;
  }

  std::mutex mutex_;
  std::unordered_map<std::string, Listing> listings_;
};

ListingCache& Listings() {
  static ListingCache* cache = new ListingCache;
  return *cache;
}

std::string JoinHost(const std::string& base, const std::vector<std::u16string_view>& parts, size_t count) {
  size_t length = base.size();
  for (size_t i = 0; i < count; ++i) length += 1 + parts[i].size();
  std::string out;
  out.reserve(length);
  out += base;
  for (size_t i = 0; i < count; ++i) {
    out += '/';
    out += WideToUtf8(parts[i]);
  }
  return out;
}

// The host path of the first count components, whose exact spelling is
// missing: the parent is resolved first, then the last name is looked up in
// it without regard to ASCII case, and kept as spelled when nothing matches.
std::string ResolveMissing(const std::string& base, const std::vector<std::u16string_view>& parts, size_t count,
                           bool* exists, struct stat* st) {
  std::string parentExact = JoinHost(base, parts, count - 1);
  bool parentExists = true;
  struct stat parentSt;
  bool parentStatKnown = ::stat(parentExact.empty() ? "/" : parentExact.c_str(), &parentSt) == 0;
  std::string name = WideToUtf8(parts[count - 1]);
  *exists = false;
  if (!parentStatKnown && count == 1) return parentExact + "/" + name;  // the drive itself is missing
  std::string parent = parentStatKnown ? parentExact : ResolveMissing(base, parts, count - 1, &parentExists, &parentSt);
  std::string candidate = parent + "/" + name;
  if (!parentExists) return candidate;
  if (parent != parentExact && ::lstat(candidate.c_str(), st) == 0) {
    *exists = true;
    return candidate;
  }
  if (std::optional<std::string> match = Listings().Find(parent.empty() ? "/" : parent, name, &parentSt)) {
    std::string found = parent + "/" + *match;
    *exists = ::lstat(found.c_str(), st) == 0;
    return found;
  }
  return candidate;
}

}  // namespace

const std::string& MachineRoot() {
  std::lock_guard lock(StateMutex());
  return Loaded().root;
}

void ReloadMachine() {
  Listings().Clear();
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

std::string HostPath(std::u16string_view path) { return ResolveHostPath(path, nullptr); }

namespace {

// A Windows path split into the host folder of its drive and its components
// as spelled; the components point into full.
struct SpelledPath {
  std::u16string full;
  std::string base;
  std::vector<std::u16string_view> parts;
};

bool SplitSpelled(std::u16string_view path, SpelledPath& out) {
  out.full = FullWindowsPath(path);
  if (out.full.empty()) return false;
  // Z: is the host's own root folder, as tools that take host paths need.
  out.base = out.full[0] == u'Z' ? std::string() : MachineRoot() + "/drive_" + char(FoldAsciiLower(out.full[0]));
  out.parts = SplitComponents(std::u16string_view(out.full).substr(2));
  return true;
}

std::string ResolveSpelled(const SpelledPath& p, bool* exists, struct stat* status) {
  if (p.parts.empty()) {
    std::string root = p.base.empty() ? "/" : p.base;
    *exists = ::stat(root.c_str(), status) == 0;
    return root;
  }
  std::string exact = JoinHost(p.base, p.parts, p.parts.size());
  if (::lstat(exact.c_str(), status) == 0) {
    *exists = true;
    return exact;
  }
  return ResolveMissing(p.base, p.parts, p.parts.size(), exists, status);
}

// A name that is usually missing is looked up in its folder's listing first,
// which settles a miss with the one status call of the folder that the
// listing needs anyway. Nothing when the listing cannot settle it.
std::optional<std::string> ResolveListedFirst(const SpelledPath& p, bool* exists, struct stat* status) {
  if (p.parts.empty()) return std::nullopt;
  const std::string spelledParent = JoinHost(p.base, p.parts, p.parts.size() - 1);
  const std::string parent = spelledParent.empty() ? std::string(1, '/') : spelledParent;
  struct stat parentSt;
  if (::stat(parent.c_str(), &parentSt) != 0) return std::nullopt;
  std::string name = WideToUtf8(p.parts.back());
  bool listed = false;
  std::optional<std::string> match = Listings().LookUp(parent, name, &parentSt, &listed);
  if (!listed) return std::nullopt;
  std::string host = spelledParent + "/" + name;
  if (!match) {
    *exists = false;
    return host;
  }
  // Another spelling may stand beside the exact one on the host: the full lookup decides.
  if (*match != name) return std::nullopt;
  // A caller that does not ask for the status opens the name next, which
  // tells it soon enough if the name has gone meanwhile.
  if (!status) {
    *exists = true;
    return host;
  }
  *exists = ::lstat(host.c_str(), status) == 0;
  if (!*exists) return std::nullopt;
  return host;
}

}  // namespace

std::string ResolveHostPath(std::u16string_view path, bool* exists, struct stat* status, Expect expect) {
  bool found = true;
  struct stat unused;
  if (!exists) exists = &found;
  *exists = false;
  SpelledPath p;
  if (!SplitSpelled(path, p)) return {};
  if (expect == Expect::missing)
    if (std::optional<std::string> host = ResolveListedFirst(p, exists, status)) return *host;
  return ResolveSpelled(p, exists, status ? status : &unused);
}

std::string SpelledHostPath(std::u16string_view path) {
  SpelledPath p;
  if (!SplitSpelled(path, p)) return {};
  if (p.parts.empty()) return p.base.empty() ? "/" : p.base;
  return JoinHost(p.base, p.parts, p.parts.size());
}

bool ListedAsMissing(const std::string& hostDirectory, const struct stat& directoryStatus, std::string_view name) {
  bool listed = false;
  return !Listings().LookUp(hostDirectory, name, &directoryStatus, &listed) && listed;
}

void NoteHostEntryAdded(const std::string& hostPath) { Listings().Note(hostPath, true); }
void NoteHostEntryRemoved(const std::string& hostPath) { Listings().Note(hostPath, false); }

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

std::string AbsoluteHostPath(std::string_view path) {
  if (!path.empty() && path[0] == '/') return std::string(path);
  std::vector<char> cwd(4096);
  while (!::getcwd(cwd.data(), cwd.size())) {
    if (errno != ERANGE) return std::string(path);
    cwd.resize(cwd.size() * 2);
  }
  return std::string(cwd.data()) + "/" + std::string(path);
}

std::string FollowHostLinks(std::string_view hostPath) {
  std::string path = AbsoluteHostPath(hostPath);
  // A loop of links ends where the system's own limit would end it.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> target(size_t(st.st_size > 0 ? st.st_size : 255) + 1);
    ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0 || size_t(n) >= target.size()) return path;
    std::string next(target.data(), size_t(n));
    path = next[0] == '/' ? next : path.substr(0, path.rfind('/') + 1) + next;
  }
  return path;
}

std::optional<unsigned> HostFileMode(std::string_view hostPath) {
  struct stat st;
  if (::stat(std::string(hostPath).c_str(), &st) != 0) return std::nullopt;
  return unsigned(st.st_mode & 07777);
}

bool SetHostFileMode(std::string_view hostPath, unsigned mode) {
  return ::chmod(std::string(hostPath).c_str(), mode_t(mode)) == 0;
}

}  // namespace win
