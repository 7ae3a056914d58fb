#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/host/host_process.h"

extern char** environ;

namespace win::host {
namespace {

LONG ErrorOfSpawn(int hostError) {
  switch (hostError) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ENOMEM:
    case EAGAIN: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
  }
}

}  // namespace

std::vector<std::string> ProcessEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) env.emplace_back(*e);
  return env;
}

LONG StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment, const std::string& directory, ProcessId* id) {
  std::vector<char*> argv, envp;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  pid_t pid = -1;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  *id = pid;
  return rc == 0 ? ERROR_SUCCESS : ErrorOfSpawn(rc);
}

std::optional<DWORD> CollectExitCode(ProcessId id, bool wait) {
  int status = 0;
  pid_t rc;
  do {
    rc = ::waitpid(pid_t(id), &status, wait ? 0 : WNOHANG);
  } while (rc < 0 && errno == EINTR);
  if (rc == 0) return std::nullopt;
  if (rc < 0) return DWORD(-1);
  if (WIFEXITED(status)) return DWORD(WEXITSTATUS(status));
  return DWORD(128 + WTERMSIG(status));
}

std::string ExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

bool InputIsTerminal() { return ::isatty(STDIN_FILENO); }

uint32_t ProcessorCount() {
  long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? uint32_t(n) : 1;
}

void ExitNow(int status) { ::_exit(status); }

void KillSelf() { ::kill(::getpid(), SIGKILL); }

}  // namespace win::host
