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

#include "platform/base/text.h"
#include "platform/host/machine.h"
#include "platform/host/machine_internal.h"
#include "platform/host/machine_linux.h"

namespace win {
namespace {

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

std::u16string LoginName() {
  const char* user = std::getenv("USER");
  std::string name = user ? user : "";
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

void ForgetHostListings() { Listings().Clear(); }

bool IsHostDirectory(const std::string& hostPath) {
  struct stat st;
  return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string HostPath(std::u16string_view path) { return ResolveHostPath(path, nullptr); }

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
