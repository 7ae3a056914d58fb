#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "platform/host/machine_internal.h"
#include "platform/host/machine_linux.h"

namespace win {
namespace {

using faults::Op;

// The error kind for an errno value.
FileError FileErrorFromHost(int hostErrno);

FileError Fail(FileErrorKind kind, int hostErrno = 0) { return FileError{kind, hostErrno}; }
FileError FromErrno() { return FileErrorFromHost(errno); }

bool HostStat(const std::string& host, struct stat& st) { return !host.empty() && ::stat(host.c_str(), &st) == 0; }

bool IsReadOnlyMode(mode_t mode) { return (mode & 0222) == 0; }

// Windows reports a missing directory on the way as "path not found".
FileError NotFoundError(const std::string& host) {
  std::string parent = host.substr(0, host.rfind('/'));
  struct stat st;
  if (HostStat(parent, st) && S_ISDIR(st.st_mode)) return Fail(FileErrorKind::fileNotFound, ENOENT);
  return Fail(FileErrorKind::badPath, ENOENT);
}

FileError FromErrnoAt(const std::string& host) {
  int e = errno;
  if (e == ENOENT) return NotFoundError(host);
  return FileErrorFromHost(e);
}

bool WantsWrite(OpenMode mode) { return mode != OpenMode::read; }

int HostFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::read: return O_RDONLY;
    case OpenMode::write: return O_WRONLY | O_CREAT;
    case OpenMode::readWrite: return O_RDWR;
    case OpenMode::createReadWrite: return O_RDWR | O_CREAT;
    case OpenMode::createNew: return O_WRONLY | O_CREAT | O_EXCL;
  }
  return O_RDONLY;
}

// Advisory locks stand in for Windows sharing modes: a holder that denies
// writers takes a shared lock, and every writer needs the exclusive lock.
int LockFor(OpenMode mode, Share share) {
  if (WantsWrite(mode) || share == Share::denyAll) return LOCK_EX;
  if (share == Share::denyWrite) return LOCK_SH;
  return 0;
}

// The host path for a name that must keep its own spelling even where a
// file of another case exists (the target of a case-changing rename).
std::string HostPathKeepingName(std::u16string_view path) {
  std::u16string full = FullWindowsPath(path);
  size_t cut = full.rfind(u'\\');
  if (full.empty() || cut == std::u16string::npos) return {};
  std::string parent = HostPath(full.substr(0, cut + 1));
  return parent + "/" + WideToUtf8(std::u16string_view(full).substr(cut + 1));
}

std::u16string WithTrailingBackslash(std::u16string dir) {
  if (!dir.empty() && dir.back() != u'\\' && dir.back() != u'/') dir += u'\\';
  return dir;
}

std::u16string StripQuotes(std::u16string v) {
  if (v.size() >= 2 && v.front() == u'"' && v.back() == u'"') return v.substr(1, v.size() - 2);
  return v;
}

std::u16string TemporaryDirectoryForNames();

// A folder of temporary names; where its host folder and status are known,
// names in it are looked up in its listing.
struct NamesFolder {
  std::u16string dir;
  std::string host;
  struct stat status {};
};

// The status of a directory as GetFileStatus reads it, and its host path.
bool StatDirectory(std::u16string_view path, std::string* host, struct stat* st) {
  bool exists = false;
  *host = ResolveHostPath(path, &exists, st);
  if (exists && S_ISLNK(st->st_mode)) exists = ::stat(host->c_str(), st) == 0;
  return exists && S_ISDIR(st->st_mode);
}

NamesFolder TemporaryFolderForNames() {
  NamesFolder folder;
  if (auto tmp = GetEnvironmentVariable(u"TMP")) {
    std::u16string dir = StripQuotes(*tmp);
    if (StatDirectory(dir, &folder.host, &folder.status)) {
      folder.dir = WithTrailingBackslash(dir);
      return folder;
    }
  }
  folder.host.clear();
  folder.dir = TemporaryDirectoryForNames();
  return folder;
}

std::u16string TemporaryDirectoryForNames() {
  if (auto tmp = GetEnvironmentVariable(u"TMP")) {
    std::u16string dir = StripQuotes(*tmp);
    if (IsDirectory(dir)) return WithTrailingBackslash(dir);
  }
  std::u16string root = GetCurrentDirectory().substr(0, 2) + u"\\";
  if (IsDirectory(root)) return root;
  return WithTrailingBackslash(GetCurrentDirectory());
}

bool NameExists(std::u16string_view path) {
  bool exists = false;
  ResolveHostPath(path, &exists);
  return exists;
}

constexpr unsigned kMaxTemporaryNumber = 0x7FFFFFFF;

FileError FileErrorFromHost(int e) {
  switch (e) {
    case 0: return {};
    case ENOENT: return Fail(FileErrorKind::fileNotFound, e);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return Fail(FileErrorKind::badPath, e);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case ENOTEMPTY: return Fail(FileErrorKind::accessDenied, e);
    case EMFILE:
    case ENFILE: return Fail(FileErrorKind::tooManyOpenFiles, e);
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return Fail(FileErrorKind::diskFull, e);
    case EIO: return Fail(FileErrorKind::hardIO, e);
    case EEXIST: return Fail(FileErrorKind::alreadyExists, e);
    case EBADF: return Fail(FileErrorKind::invalidFile, e);
    case ESPIPE: return Fail(FileErrorKind::badSeek, e);
    case EWOULDBLOCK: return Fail(FileErrorKind::sharingViolation, e);
    default: return Fail(FileErrorKind::generic, e);
  }
}

}  // namespace

File::File(File&& other) noexcept : fd_(other.fd_), sizeAtStart_(other.sizeAtStart_), error_(other.error_) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    sizeAtStart_ = other.sizeAtStart_;
    error_ = other.error_;
    other.fd_ = -1;
  }
  return *this;
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

namespace {

int OpenRetrying(const std::string& host, int flags) {
  int fd;
  do {
    fd = ::open(host.c_str(), flags | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool CreatesMissing(OpenMode mode) { return mode == OpenMode::write || mode == OpenMode::createReadWrite; }

// Files opened in these modes usually exist in their exact spelling, so
// that opening that spelling straight away saves looking it up; the files
// that are created are usually new, and their folder's listing answers first.
bool ExpectsExisting(OpenMode mode) { return mode == OpenMode::read || mode == OpenMode::readWrite; }

// Opens the host file; *created tells whether this call created it.
int OpenHost(const std::string& host, bool exists, OpenMode mode, bool* created) {
  int access = HostFlags(mode) & O_ACCMODE;
  *created = false;
  if (mode == OpenMode::createNew || (!exists && CreatesMissing(mode))) {
    int fd = OpenRetrying(host, access | O_CREAT | O_EXCL);
    *created = fd >= 0;
    if (fd >= 0 || errno != EEXIST || mode == OpenMode::createNew) return fd;
  }
  int fd = OpenRetrying(host, access);
  if (fd < 0 && errno == ENOENT && CreatesMissing(mode)) {
    fd = OpenRetrying(host, access | O_CREAT | O_EXCL);
    if (fd >= 0) *created = true;
    else if (errno == EEXIST) fd = OpenRetrying(host, access);  // created meanwhile by someone else
  }
  return fd;
}

}  // namespace

int OpenHostForReading(std::u16string_view path) {
  std::string host = SpelledHostPath(path);
  int fd = host.empty() ? -1 : OpenRetrying(host, O_RDONLY);
  if (fd >= 0) return fd;
  host = HostPath(path);
  if (host.empty()) {
    errno = ENOENT;
    return -1;
  }
  return OpenRetrying(host, O_RDONLY);
}

void CloseHostDescriptor(int descriptor) { ::close(descriptor); }

File File::Open(std::u16string_view path, OpenMode mode, Share share) {
  File f;
  if (FileErrorKind k = faults::Check(Op::open, path); k != FileErrorKind::none) {
    f.error_ = Fail(k);
    return f;
  }
  bool exists = false;
  bool created = false;
  std::string host;
  int fd = -1;
  if (ExpectsExisting(mode)) {
    host = SpelledHostPath(path);
    fd = host.empty() ? -1 : OpenRetrying(host, HostFlags(mode));
    exists = fd >= 0;
  }
  if (fd < 0) {
    host = ResolveHostPath(path, &exists, nullptr, ExpectsExisting(mode) ? Expect::any : Expect::missing);
    if (host.empty()) {
      f.error_ = Fail(FileErrorKind::badPath);
      return f;
    }
    fd = OpenHost(host, exists, mode, &created);
  }
  if (fd < 0) {
    f.error_ = errno == EEXIST ? Fail(FileErrorKind::alreadyExists, EEXIST) : FromErrnoAt(host);
    return f;
  }
  if (created) {
    NoteHostEntryAdded(host);
  } else {
    struct stat st;
    FileError refused;
    if (::fstat(fd, &st) != 0) refused = FromErrno();
    else if (S_ISDIR(st.st_mode)) refused = Fail(FileErrorKind::accessDenied, EISDIR);
    else if (WantsWrite(mode) && IsReadOnlyMode(st.st_mode)) refused = Fail(FileErrorKind::accessDenied, EACCES);
    if (refused) {
      ::close(fd);
      f.error_ = refused;
      return f;
    }
    if (!CreatesMissing(mode)) f.sizeAtStart_ = int64_t(st.st_size);
  }
  if (int lock = LockFor(mode, share); lock != 0 && ::flock(fd, lock | LOCK_NB) != 0) {
    f.error_ = errno == EWOULDBLOCK ? Fail(FileErrorKind::sharingViolation, errno) : FromErrno();
    ::close(fd);
    return f;
  }
  if (!created && CreatesMissing(mode) && ::ftruncate(fd, 0) != 0) {
    f.error_ = FromErrno();
    ::close(fd);
    return f;
  }
  f.fd_ = fd;
  return f;
}

size_t File::Read(void* buffer, size_t size) {
  if (fd_ < 0) {
    error_ = Fail(FileErrorKind::invalidFile);
    return 0;
  }
  sizeAtStart_ = -1;
  if (FileErrorKind k = faults::Check(Op::read); k != FileErrorKind::none) {
    error_ = Fail(k);
    return 0;
  }
  size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < size) {
    ssize_t n = ::read(fd_, p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error_ = FromErrno();
      break;
    }
    if (n == 0) break;
    done += size_t(n);
  }
  return done;
}

size_t File::Write(const void* buffer, size_t size) {
  if (fd_ < 0) {
    error_ = Fail(FileErrorKind::invalidFile);
    return 0;
  }
  sizeAtStart_ = -1;
  if (FileErrorKind k = faults::Check(Op::write); k != FileErrorKind::none) {
    error_ = Fail(k);
    return 0;
  }
  size_t allowed = size_t(faults::AllowedWrite(size));
  size_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < allowed) {
    ssize_t n = ::write(fd_, p + done, allowed - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error_ = FromErrno();
      return done;
    }
    done += size_t(n);
  }
  if (done < size) error_ = Fail(FileErrorKind::diskFull, ENOSPC);
  return done;
}

namespace {

constexpr size_t kKernelCopyChunk = 1 << 20;
constexpr size_t kUserCopyBlock = 64 * 1024;

// The copy through user space, where the kernel cannot copy between the two.
bool CopyThroughBuffer(File& source, File& destination) {
  std::vector<char> block(kUserCopyBlock);
  for (;;) {
    size_t n = source.Read(block.data(), block.size());
    if (n == 0) return !source.Error();
    if (destination.Write(block.data(), n) != n) return false;
  }
}

}  // namespace

bool CopyFileContents(File& source, File& destination) {
  if (source.fd_ < 0 || destination.fd_ < 0) return false;
  if (FileErrorKind k = faults::Check(Op::read); k != FileErrorKind::none) {
    source.error_ = Fail(k);
    return false;
  }
  if (FileErrorKind k = faults::Check(Op::write); k != FileErrorKind::none) {
    destination.error_ = Fail(k);
    return false;
  }
  // A copy that stops short once the size the open saw has been copied has
  // met the end of the file, and the call that would only say so is saved.
  const int64_t sizeAtStart = source.sizeAtStart_;
  source.sizeAtStart_ = destination.sizeAtStart_ = -1;
  uint64_t copied = 0;
  for (;;) {
    size_t allowed = size_t(faults::AllowedWrite(kKernelCopyChunk));
    if (allowed == 0) {
      destination.error_ = Fail(FileErrorKind::diskFull, ENOSPC);
      return false;
    }
    ssize_t n = ::copy_file_range(source.fd_, nullptr, destination.fd_, nullptr, allowed, 0);
    faults::RefundWrite(n > 0 ? allowed - size_t(n) : allowed);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
      return CopyThroughBuffer(source, destination);
    if (n < 0) {
      destination.error_ = FromErrno();
      return false;
    }
    if (n == 0) return true;
    copied += uint64_t(n);
    if (size_t(n) < allowed && sizeAtStart >= 0 && copied >= uint64_t(sizeAtStart)) return true;
  }
}

bool File::Seek(uint64_t offset) {
  sizeAtStart_ = -1;
  if (fd_ < 0 || ::lseek(fd_, off_t(offset), SEEK_SET) < 0) {
    error_ = fd_ < 0 ? Fail(FileErrorKind::invalidFile) : Fail(FileErrorKind::badSeek, errno);
    return false;
  }
  return true;
}

std::optional<uint64_t> File::Size() {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
    error_ = fd_ < 0 ? Fail(FileErrorKind::invalidFile) : FromErrno();
    return std::nullopt;
  }
  return uint64_t(st.st_size);
}

bool File::Sync() {
  if (fd_ < 0 || ::fdatasync(fd_) != 0) {
    error_ = fd_ < 0 ? Fail(FileErrorKind::invalidFile) : FromErrno();
    return false;
  }
  return true;
}

bool File::Close() {
  if (fd_ < 0) return false;
  FileErrorKind injected = faults::Check(Op::close);
  int rc = ::close(fd_);
  fd_ = -1;
  if (injected != FileErrorKind::none) {
    error_ = Fail(injected);
    return false;
  }
  if (rc != 0 && errno != EINTR) {
    error_ = FromErrno();
    return false;
  }
  return true;
}

std::optional<FileStatus> GetFileStatus(std::u16string_view path, FileError* error) {
  bool exists = false;
  struct stat st;
  std::string host = ResolveHostPath(path, &exists, &st);
  // A symbolic link (made on the host) is followed, as Windows follows links.
  if (exists && S_ISLNK(st.st_mode)) exists = ::stat(host.c_str(), &st) == 0;
  if (!exists) {
    errno = ENOENT;
    if (error) *error = host.empty() ? Fail(FileErrorKind::badPath) : FromErrnoAt(host);
    return std::nullopt;
  }
  FileStatus s;
  s.isDirectory = S_ISDIR(st.st_mode);
  s.isRegular = S_ISREG(st.st_mode);
  s.readOnly = IsReadOnlyMode(st.st_mode);
  s.size = uint64_t(st.st_size);
  s.modifiedSeconds = st.st_mtime;
  return s;
}

bool IsRegularFile(std::u16string_view path) {
  auto s = GetFileStatus(path);
  return s && s->isRegular;
}

bool IsDirectory(std::u16string_view path) {
  auto s = GetFileStatus(path);
  return s && s->isDirectory;
}

FileError SetReadOnly(std::u16string_view path, bool readOnly) {
  if (FileErrorKind k = faults::Check(Op::setAttributes); k != FileErrorKind::none) return Fail(k);
  std::string host = HostPath(path);
  struct stat st;
  if (!HostStat(host, st)) return host.empty() ? Fail(FileErrorKind::badPath) : FromErrnoAt(host);
  mode_t mode = readOnly ? (st.st_mode & ~mode_t(0222)) : (st.st_mode | 0200);
  if (::chmod(host.c_str(), mode & 07777) != 0) return FromErrno();
  return {};
}

FileError CreateDirectory(std::u16string_view path) {
  if (FileErrorKind k = faults::Check(Op::createDirectory); k != FileErrorKind::none) return Fail(k);
  std::string host = HostPath(path);
  if (host.empty()) return Fail(FileErrorKind::badPath);
  if (::mkdir(host.c_str(), 0755) != 0) return errno == ENOENT ? Fail(FileErrorKind::badPath, ENOENT) : FromErrno();
  NoteHostEntryAdded(host);
  return {};
}

FileError RemoveDirectory(std::u16string_view path) {
  if (FileErrorKind k = faults::Check(Op::remove, path); k != FileErrorKind::none) return Fail(k);
  std::string host = HostPath(path);
  if (host.empty()) return Fail(FileErrorKind::badPath);
  if (::rmdir(host.c_str()) != 0) return FromErrnoAt(host);
  NoteHostEntryRemoved(host);
  return {};
}

FileError RemoveFile(std::u16string_view path) {
  if (FileErrorKind k = faults::Check(Op::remove, path); k != FileErrorKind::none) return Fail(k);
  bool exists = false;
  struct stat st;
  std::string host = ResolveHostPath(path, &exists, &st);
  if (host.empty()) return Fail(FileErrorKind::badPath);
  if (!exists) {
    errno = ENOENT;
    return FromErrnoAt(host);
  }
  if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && IsReadOnlyMode(st.st_mode)))
    return Fail(FileErrorKind::accessDenied, EACCES);
  if (::unlink(host.c_str()) != 0) return FromErrnoAt(host);
  NoteHostEntryRemoved(host);
  return {};
}

FileError RenameFile(std::u16string_view from, std::u16string_view to, bool replaceExisting) {
  if (FileErrorKind k = faults::Check(Op::rename, to); k != FileErrorKind::none) return Fail(k);
  std::string hostFrom = HostPath(from);
  std::string hostTo = HostPath(to);
  if (hostFrom.empty() || hostTo.empty()) return Fail(FileErrorKind::badPath);
  struct stat st;
  if (::lstat(hostFrom.c_str(), &st) != 0) return FromErrnoAt(hostFrom);
  if (hostTo == hostFrom) {
    hostTo = HostPathKeepingName(to);
  } else if (::lstat(hostTo.c_str(), &st) == 0) {
    if (!replaceExisting) return Fail(FileErrorKind::alreadyExists, EEXIST);
    if (S_ISDIR(st.st_mode) || IsReadOnlyMode(st.st_mode)) return Fail(FileErrorKind::accessDenied, EACCES);
  }
  if (::rename(hostFrom.c_str(), hostTo.c_str()) != 0) return FromErrnoAt(hostTo);
  NoteHostEntryRemoved(hostFrom);
  NoteHostEntryAdded(hostTo);
  return {};
}

std::vector<std::u16string> ListDirectory(std::u16string_view path, FileError* error) {
  std::vector<std::u16string> names;
  std::string host = HostPath(path);
  DIR* d = host.empty() ? nullptr : ::opendir(host.c_str());
  if (!d) {
    if (error) *error = host.empty() ? Fail(FileErrorKind::badPath) : FromErrnoAt(host);
    return names;
  }
  while (dirent* e = ::readdir(d)) {
    std::string_view n = e->d_name;
    if (n != "." && n != "..") names.push_back(Utf8ToWide(n));
  }
  ::closedir(d);
  return names;
}

std::u16string TemporaryFileName() {
  NamesFolder folder = TemporaryFolderForNames();
  for (unsigned n = 1; n <= kMaxTemporaryNumber; ++n) {
    std::string name = "tmp" + std::to_string(n);
    std::u16string candidate = folder.dir + Utf8ToWide(name);
    if (!folder.host.empty() && ListedAsMissing(folder.host, folder.status, name)) return candidate;
    if (!NameExists(candidate)) return candidate;
  }
  return {};
}

File CreateTemporaryFile(std::u16string* name, std::u16string_view directory) {
  std::u16string dir = directory.empty() ? TemporaryDirectoryForNames() : WithTrailingBackslash(std::u16string(directory));
  File file;
  std::u16string candidate;
  for (unsigned n = 1; n <= kMaxTemporaryNumber; ++n) {
    candidate = dir + u"tmp" + Utf8ToWide(std::to_string(n));
    if (NameExists(candidate)) continue;
    file = File::Open(candidate, OpenMode::createNew);
    // A name taken since the test above is skipped; any other failure is final.
    if (file || file.Error().kind != FileErrorKind::alreadyExists) break;
  }
  if (name) *name = candidate;
  return file;
}

std::u16string TemporaryDirectory() { return TemporaryDirectoryForNames(); }

}  // namespace win
