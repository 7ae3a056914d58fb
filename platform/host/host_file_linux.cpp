#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/host/host_file.h"

namespace win::host {
namespace {

// An open host file descriptor, closed when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0644) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool WriteAll(int fd, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    done += size_t(n);
  }
  return true;
}

void SyncDirectory(const std::string& dir) {
  Descriptor fd(OpenRetrying(dir, O_RDONLY | O_DIRECTORY));
  if (fd.ok()) ::fsync(fd.get());
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

ReadOutcome ReadWholeFile(const std::string& path, std::string* contents, int* error) {
  Descriptor fd(OpenRetrying(path, O_RDONLY));
  *error = errno;
  if (!fd.ok()) return *error == ENOENT ? ReadOutcome::missing : ReadOutcome::failed;
  contents->clear();
  char buffer[65536];
  while (true) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    *error = errno;
    if (n < 0) return ReadOutcome::failed;
    if (n == 0) return ReadOutcome::ok;
    contents->append(buffer, size_t(n));
  }
}

int PublishFile(const std::string& path, std::string_view contents) {
  const std::string temporary = path + ".new";
  Descriptor fd(OpenRetrying(temporary, O_WRONLY | O_CREAT | O_TRUNC));
  bool ok = fd.ok() && WriteAll(fd.get(), contents) && ::fdatasync(fd.get()) == 0;
  if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
  int error = errno;
  if (!ok) {
    ::unlink(temporary.c_str());
    return error;
  }
  SyncDirectory(FolderOf(path));
  return 0;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool AppendUnderLock(const std::string& path, std::string_view text) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::flock(fd, LOCK_EX);
  bool ok = WriteAll(fd, text);
  ::close(fd);
  return ok;
}

void CreateFileIfMissing(const std::string& path, std::string_view contents) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t written = ::write(fd, contents.data(), contents.size());
  ::close(fd);
  if (written != ssize_t(contents.size())) ::unlink(path.c_str());
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool MayExecute(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

HeadOutcome ReadFileHead(const std::string& path, size_t size, std::string* head) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? HeadOutcome::missing : HeadOutcome::notReadable;
  if (!S_ISREG(st.st_mode)) return HeadOutcome::notReadable;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return HeadOutcome::notReadable;
  head->resize(size);
  ssize_t n = ::read(fd, head->data(), size);
  ::close(fd);
  head->resize(n > 0 ? size_t(n) : 0);
  return HeadOutcome::ok;
}

FileLock::FileLock(const std::string& path) : descriptor_(OpenRetrying(path, O_RDWR | O_CREAT)) {
  if (descriptor_ < 0) {
    error_ = errno;
    return;
  }
  int rc;
  do {
    rc = ::flock(descriptor_, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  locked_ = rc == 0;
  if (!locked_) error_ = errno;
}

FileLock::~FileLock() {
  if (locked_) ::flock(descriptor_, LOCK_UN);
  if (descriptor_ >= 0) ::close(descriptor_);
}

AppendOnlyFile::AppendOnlyFile(const char* path)
    : descriptor_(::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}

void AppendOnlyFile::Append(std::string_view text) const { (void)!::write(descriptor_, text.data(), text.size()); }

std::string ErrorText(int error) { return std::strerror(error); }

bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

}  // namespace win::host
