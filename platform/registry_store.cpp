#include "platform/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/console.h"
#include "platform/text.h"

namespace win::registry {
namespace {

struct ProblemLog {
  std::mutex mutex;
  std::string last;
  std::set<std::string> reported;
};

ProblemLog& Problems() {
  static ProblemLog* log = new ProblemLog;  // used until _exit
  return *log;
}

void ReportProblem(const std::string& text) {
  ProblemLog& log = Problems();
  std::lock_guard lock(log.mutex);
  log.last = text;
  if (log.reported.insert(text).second) ConsoleLine(Utf8ToWide(text), true);
}

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

enum class ReadOutcome { ok, missing, failed };

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

bool WriteAll(int fd, const std::string& data) {
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

// Writes beside the file and renames over it, so that readers see the old
// or the new registry and never a part of one.
LONG PublishRegistry(const std::string& machineRoot, const Tree& tree) {
  const std::string path = RegistryFilePath(machineRoot);
  const std::string temporary = path + ".new";
  Descriptor fd(OpenRetrying(temporary, O_WRONLY | O_CREAT | O_TRUNC));
  bool ok = fd.ok() && WriteAll(fd.get(), FormatRegistryFile(tree)) && ::fdatasync(fd.get()) == 0;
  if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
  int error = errno;
  if (!ok) {
    ::unlink(temporary.c_str());
    ReportProblem("The registry file " + path + " could not be written (" + std::strerror(error) +
                  "); the change was not made.");
    return error == ENOSPC || error == EDQUOT ? ERROR_DISK_FULL : ERROR_CANTWRITE;
  }
  SyncDirectory(machineRoot);
  return ERROR_SUCCESS;
}

// The exclusive lock of every change, held by one process at a time; it
// also orders the threads of this process, whose descriptors are separate.
class ChangeLock {
 public:
  explicit ChangeLock(const std::string& machineRoot)
      : fd_(OpenRetrying(machineRoot + "/registry.lock", O_RDWR | O_CREAT)) {
    if (!fd_.ok()) return;
    int rc;
    do {
      rc = ::flock(fd_.get(), LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    locked_ = rc == 0;
  }
  ~ChangeLock() {
    if (locked_) ::flock(fd_.get(), LOCK_UN);
  }
  bool locked() const { return locked_; }

 private:
  Descriptor fd_;
  bool locked_ = false;
};

}  // namespace

std::string RegistryFilePath(const std::string& machineRoot) { return machineRoot + "/registry.reg"; }

LONG ReadRegistry(const std::string& machineRoot, Tree* tree) {
  const std::string path = RegistryFilePath(machineRoot);
  std::string text;
  int hostError = 0;
  switch (ReadWholeFile(path, &text, &hostError)) {
    case ReadOutcome::missing:
      *tree = Tree();
      return ERROR_SUCCESS;
    case ReadOutcome::failed:
      ReportProblem("The registry file " + path + " cannot be read (" + std::strerror(hostError) + ").");
      return ERROR_REGISTRY_IO_FAILED;
    case ReadOutcome::ok:
      break;
  }
  ParseError error;
  std::optional<Tree> parsed = ParseRegistryFile(text, &error);
  if (!parsed) {
    ReportProblem("The registry file " + path + " is damaged at line " + std::to_string(error.line) + ": " +
                  error.reason + ". It is left as it is; no registry change is made until it is repaired.");
    return ERROR_REGISTRY_CORRUPT;
  }
  *tree = std::move(*parsed);
  return ERROR_SUCCESS;
}

LONG ChangeRegistry(const std::string& machineRoot, const Edit& edit) {
  ChangeLock lock(machineRoot);
  if (!lock.locked()) {
    ReportProblem("The registry lock " + machineRoot + "/registry.lock cannot be taken (" + std::strerror(errno) +
                  ").");
    return ERROR_REGISTRY_IO_FAILED;
  }
  Tree tree;
  if (LONG rc = ReadRegistry(machineRoot, &tree); rc != ERROR_SUCCESS) return rc;
  bool changed = false;
  if (LONG rc = edit(tree, changed); rc != ERROR_SUCCESS) return rc;
  return changed ? PublishRegistry(machineRoot, tree) : ERROR_SUCCESS;
}

LONG CreateRegistryIfMissing(const std::string& machineRoot, const Tree& seed) {
  ChangeLock lock(machineRoot);
  if (!lock.locked()) return ERROR_REGISTRY_IO_FAILED;
  struct stat st;
  if (::lstat(RegistryFilePath(machineRoot).c_str(), &st) == 0) return ERROR_SUCCESS;
  return PublishRegistry(machineRoot, seed);
}

std::string LastRegistryFileProblem() {
  ProblemLog& log = Problems();
  std::lock_guard lock(log.mutex);
  return log.last;
}

}  // namespace win::registry
