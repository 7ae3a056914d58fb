#include "tests/support/subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

extern char** environ;

namespace qztest {
namespace {

using Clock = std::chrono::steady_clock;

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool MakePipe(int fds[2]) { return ::pipe2(fds, O_CLOEXEC) == 0; }

std::vector<std::string> ChildEnvironment(const EnvChanges& changes) {
  std::vector<std::string> vars;
  for (char** e = environ; *e; ++e) vars.emplace_back(*e);
  for (const auto& [name, value] : changes) {
    std::erase_if(vars, [&](const std::string& v) {
      return v.starts_with(name) && v.size() > name.size() && v[name.size()] == '=';
    });
    if (value) vars.push_back(name + "=" + *value);
  }
  return vars;
}

std::optional<std::string> FindOnPath(std::string_view name, std::string_view path) {
  for (size_t start = 0; start <= path.size();) {
    size_t end = std::min(path.find(':', start), path.size());
    std::string dir(path.substr(start, end - start));
    std::string candidate = (dir.empty() ? "." : dir) + "/" + std::string(name);
    struct stat st;
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

std::string PathOf(const std::vector<std::string>& environment) {
  for (const std::string& v : environment)
    if (v.starts_with("PATH=")) return v.substr(5);
  return "/usr/bin:/bin";
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Only async-signal-safe calls from here to the exec: the test process may
// have other threads, and one of them may hold a lock the child would wait
// for forever.
[[noreturn]] void ExecFailed(int errorPipe) {
  int error = errno;
  [[maybe_unused]] ssize_t n = ::write(errorPipe, &error, sizeof error);
  ::_exit(127);
}

// A signal ignored by the test (SIGPIPE, by some libraries) would stay
// ignored through the exec, and so would a blocked one stay blocked.
void DefaultSignals() {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
}

// Not started: as a shell reports a program it cannot run.
ProcessResult NotStarted(const std::string& why) {
  ProcessResult r;
  r.exitCode = 127;
  r.err = "qztest: " + why + "\n";
  return r;
}

}  // namespace

struct Child::State {
  pid_t pid = -1;
  int out = -1, err = -1, report = -1, input = -1;
  std::string pending;  // standard input not yet sent
  size_t sent = 0;
  Clock::time_point deadline;
  ProcessResult result;

  void CloseAll() {
    for (int* fd : {&out, &err, &report, &input}) CloseFd(*fd);
  }
  void Kill() {
    ::kill(-pid, SIGKILL);  // and whatever it started
    ::kill(pid, SIGKILL);
  }
  int Reap(int options) {
    int status = 0;
    pid_t rc;
    do rc = ::waitpid(pid, &status, options);
    while (rc < 0 && errno == EINTR);
    if (rc != pid) return -1;
    pid = -1;
    return status;
  }
};

std::string ProcessResult::Describe() const {
  if (timedOut) return "killed at its time limit";
  if (signal) return "killed by signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")";
  return "exit code " + std::to_string(exitCode);
}

void ChildReport::Send(std::string_view bytes) const {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(size_t(n));
  }
}

Child::Child() : state_(std::make_unique<State>()) {}

Child::Child(const Command& command) : Child() {
  State& s = *state_;
  if (command.argv.empty()) {
    s.result = NotStarted("no program to run");
    return;
  }
  std::vector<std::string> environment = ChildEnvironment(command.env);
  const std::string& name = command.argv[0];
  std::optional<std::string> program =
      name.find('/') != std::string::npos ? name : FindOnPath(name, PathOf(environment));
  if (!program) {
    s.result = NotStarted(name + " is not on PATH");
    return;
  }
  std::vector<std::string> arguments = command.argv;
  std::vector<char*> argv = Pointers(arguments), envp = Pointers(environment);

  int out[2] = {-1, -1}, err[2] = {-1, -1}, failed[2] = {-1, -1}, input[2] = {-1, -1};
  // A socket takes the input: a send to a child that has gone fails
  // instead of raising SIGPIPE in the test.
  bool ready = MakePipe(out) && (command.errToOut || MakePipe(err)) && MakePipe(failed) &&
               ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) == 0;
  int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  pid_t pid = ready && devNull >= 0 ? ::fork() : -1;
  if (pid == 0) {
    ::setpgid(0, 0);
    DefaultSignals();
    if (::dup2(command.input.empty() ? devNull : input[1], 0) < 0 || ::dup2(out[1], 1) < 0 ||
        ::dup2(command.errToOut ? out[1] : err[1], 2) < 0)
      ExecFailed(failed[1]);
    if (!command.directory.empty() && ::chdir(command.directory.c_str()) != 0) ExecFailed(failed[1]);
    ::execve(program->c_str(), argv.data(), envp.data());
    ExecFailed(failed[1]);
  }
  const int forkError = errno;
  for (int fd : {out[1], err[1], failed[1], input[1], devNull})
    if (fd >= 0) ::close(fd);
  s.out = out[0];
  s.err = err[0];
  s.input = input[0];
  if (pid < 0) {
    CloseFd(failed[0]);
    s.CloseAll();
    s.result = NotStarted("cannot start " + *program + ": " + std::strerror(forkError));
    return;
  }
  ::setpgid(pid, pid);  // as the child does, so that a kill right away reaches the group
  s.pid = pid;
  // The exec closes this pipe; a failed one writes its errno first.
  int error = 0;
  ssize_t n;
  do n = ::read(failed[0], &error, sizeof error);
  while (n < 0 && errno == EINTR);
  CloseFd(failed[0]);
  if (n == ssize_t(sizeof error)) {
    s.Reap(0);
    s.CloseAll();
    s.result = NotStarted("cannot run " + *program + (command.directory.empty() ? "" : " in " + command.directory) +
                          ": " + std::strerror(error));
    return;
  }
  if (command.input.empty()) {
    CloseFd(s.input);
  } else {
    s.pending = command.input;
    ::fcntl(s.input, F_SETFL, ::fcntl(s.input, F_GETFL) | O_NONBLOCK);
  }
  s.deadline = Clock::now() + command.timeLimit;
}

Child Child::Fork(const std::function<int(const ChildReport&)>& body, std::chrono::milliseconds timeLimit) {
  Child child;
  State& s = *child.state_;
  int out[2] = {-1, -1}, err[2] = {-1, -1}, report[2] = {-1, -1};
  bool ready = MakePipe(out) && MakePipe(err) && MakePipe(report);
  int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  // What the test has printed must not be printed again by the copy.
  std::cout.flush();
  std::fflush(nullptr);
  pid_t pid = ready && devNull >= 0 ? ::fork() : -1;
  if (pid == 0) {
    ::setpgid(0, 0);
    ::dup2(devNull, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {out[0], out[1], err[0], err[1], report[0], devNull}) ::close(fd);
    int code = 125;
    try {
      code = body(ChildReport(report[1]));
    } catch (...) {
    }
    std::cout.flush();
    std::fflush(nullptr);
    ::_exit(code);
  }
  const int forkError = errno;
  for (int fd : {out[1], err[1], report[1], devNull})
    if (fd >= 0) ::close(fd);
  s.out = out[0];
  s.err = err[0];
  s.report = report[0];
  if (pid < 0) {
    s.CloseAll();
    s.result = NotStarted(std::string("cannot fork: ") + std::strerror(forkError));
    return child;
  }
  ::setpgid(pid, pid);
  s.pid = pid;
  s.deadline = Clock::now() + timeLimit;
  return child;
}

Child::Child(Child&& other) noexcept = default;
Child& Child::operator=(Child&& other) noexcept {
  if (this != &other) {
    Child gone(std::move(*this));
    state_ = std::move(other.state_);
  }
  return *this;
}

Child::~Child() {
  if (!state_) return;
  if (state_->pid > 0) {
    state_->Kill();
    state_->Reap(0);
  }
  state_->CloseAll();
}

ProcessResult Child::Wait() {
  State& s = *state_;
  if (s.pid < 0) return std::move(s.result);
  struct Stream {
    int* fd;
    std::string* text;
  } streams[] = {{&s.out, &s.result.out}, {&s.err, &s.result.err}, {&s.report, &s.result.report}};
  auto open = [&] {
    return std::any_of(std::begin(streams), std::end(streams), [](const Stream& st) { return *st.fd >= 0; });
  };
  bool late = false;
  while (open()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(s.deadline - Clock::now()).count();
    if (left <= 0) {
      late = true;
      break;
    }
    std::vector<pollfd> fds;
    for (const Stream& st : streams)
      if (*st.fd >= 0) fds.push_back({*st.fd, POLLIN, 0});
    if (s.input >= 0) fds.push_back({s.input, POLLOUT, 0});
    if (::poll(fds.data(), fds.size(), int(std::min<long long>(left, 1 << 30))) < 0) {
      if (errno == EINTR) continue;
      late = true;  // nothing more can be read: end it rather than spin
      break;
    }
    for (const pollfd& p : fds) {
      if (!p.revents) continue;
      if (p.fd == s.input) {
        ssize_t n = ::send(s.input, s.pending.data() + s.sent, s.pending.size() - s.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) s.sent += size_t(n);
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || s.sent == s.pending.size()) CloseFd(s.input);
        continue;
      }
      for (const Stream& st : streams) {
        if (*st.fd != p.fd) continue;
        char buffer[65536];
        ssize_t n = ::read(p.fd, buffer, sizeof buffer);
        if (n > 0)
          st.text->append(buffer, size_t(n));
        else if (n == 0 || errno != EINTR)
          CloseFd(*st.fd);
      }
    }
  }
  int status = -1;
  // The output has ended; the child itself may still take a moment.
  for (auto pause = std::chrono::milliseconds(1); !late;) {
    status = s.Reap(WNOHANG);
    if (status >= 0) break;
    if (Clock::now() >= s.deadline)
      late = true;
    else
      std::this_thread::sleep_for(pause = std::min(pause * 2, std::chrono::milliseconds(20)));
  }
  if (late) {
    s.Kill();
    status = s.Reap(0);
    s.result.timedOut = true;
  }
  s.CloseAll();
  if (WIFEXITED(status)) s.result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) s.result.signal = WTERMSIG(status);
  return std::move(s.result);
}

std::optional<std::string> FindProgram(std::string_view name) {
  const char* path = std::getenv("PATH");
  return FindOnPath(name, path ? path : "/usr/bin:/bin");
}

}  // namespace qztest
