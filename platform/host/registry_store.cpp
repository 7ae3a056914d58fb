#include "platform/host/registry_store.h"

#include <mutex>
#include <set>

#include "platform/base/console.h"
#include "platform/base/text.h"
#include "platform/host/host_file.h"

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

// Writes beside the file and renames over it, so that readers see the old
// or the new registry and never a part of one.
LONG PublishRegistry(const std::string& machineRoot, const Tree& tree) {
  const std::string path = RegistryFilePath(machineRoot);
  if (int error = host::PublishFile(path, FormatRegistryFile(tree)); error != 0) {
    ReportProblem("The registry file " + path + " could not be written (" + host::ErrorText(error) +
                  "); the change was not made.");
    return host::IsDiskFull(error) ? ERROR_DISK_FULL : ERROR_CANTWRITE;
  }
  return ERROR_SUCCESS;
}

// The exclusive lock of every change, held by one process at a time; it
// also orders the threads of this process, whose descriptors are separate.
std::string ChangeLockPath(const std::string& machineRoot) { return machineRoot + "/registry.lock"; }

}  // namespace

std::string RegistryFilePath(const std::string& machineRoot) { return machineRoot + "/registry.reg"; }

LONG ReadRegistry(const std::string& machineRoot, Tree* tree) {
  const std::string path = RegistryFilePath(machineRoot);
  std::string text;
  int hostError = 0;
  switch (host::ReadWholeFile(path, &text, &hostError)) {
    case host::ReadOutcome::missing:
      *tree = Tree();
      return ERROR_SUCCESS;
    case host::ReadOutcome::failed:
      ReportProblem("The registry file " + path + " cannot be read (" + host::ErrorText(hostError) + ").");
      return ERROR_REGISTRY_IO_FAILED;
    case host::ReadOutcome::ok:
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
  host::FileLock lock(ChangeLockPath(machineRoot));
  if (!lock.locked()) {
    ReportProblem("The registry lock " + ChangeLockPath(machineRoot) + " cannot be taken (" +
                  host::ErrorText(lock.error()) + ").");
    return ERROR_REGISTRY_IO_FAILED;
  }
  Tree tree;
  if (LONG rc = ReadRegistry(machineRoot, &tree); rc != ERROR_SUCCESS) return rc;
  bool changed = false;
  if (LONG rc = edit(tree, changed); rc != ERROR_SUCCESS) return rc;
  return changed ? PublishRegistry(machineRoot, tree) : ERROR_SUCCESS;
}

LONG CreateRegistryIfMissing(const std::string& machineRoot, const Tree& seed) {
  host::FileLock lock(ChangeLockPath(machineRoot));
  if (!lock.locked()) return ERROR_REGISTRY_IO_FAILED;
  if (host::FileExists(RegistryFilePath(machineRoot))) return ERROR_SUCCESS;
  return PublishRegistry(machineRoot, seed);
}

std::string LastRegistryFileProblem() {
  ProblemLog& log = Problems();
  std::lock_guard lock(log.mutex);
  return log.last;
}

}  // namespace win::registry
