// Child processes for tests: a program run with its arguments as they are
// (no shell between), or a forked copy of the test process running one
// function. Either way what it printed is captured, and a child that
// outlives its time limit is killed with everything it started, so that no
// test can hang on one.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qztest {

// Generous for one run of a sanitized installer.
inline constexpr std::chrono::milliseconds kChildTimeLimit = std::chrono::seconds(120);

// Variables set for the child over the test's own; nullopt removes one.
using EnvChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct Command {
  // argv[0] without a slash is looked up on PATH (the child's, when env sets it).
  std::vector<std::string> argv{};
  EnvChanges env{};
  std::string directory{};  // empty: the test's own
  std::string input{};      // standard input; the child reads end of file after it
  bool errToOut = false;    // standard error into out, interleaved as written
  std::chrono::milliseconds timeLimit = kChildTimeLimit;
};

struct ProcessResult {
  int exitCode = -1;  // -1 when a signal ended the child
  int signal = 0;     // the signal that ended it; SIGKILL after the time limit
  bool timedOut = false;
  std::string out, err;
  std::string report;  // what a forked function sent through its ChildReport

  bool Exited(int code) const { return exitCode == code; }
  // "exit code 3", "killed by signal 9 (Killed)", ..., for failure messages.
  std::string Describe() const;
};

// The forked function's line to the test: what it sends arrives even when
// the child dies right after.
class ChildReport {
 public:
  void Send(std::string_view bytes) const;

 private:
  friend class Child;
  explicit ChildReport(int fd) : fd_(fd) {}
  int fd_;
};

// A child started at once and waited for later, so that a test can keep a
// few running side by side.
class Child {
 public:
  explicit Child(const Command& command);
  // A copy of this process that runs body and ends with the code it returns
  // (125 when it throws), for code whose fatal paths end the process. Its
  // assertions do not reach the test: it tells through its exit code and
  // its report. Standard input is empty; out and err are captured.
  static Child Fork(const std::function<int(const ChildReport&)>& body,
                    std::chrono::milliseconds timeLimit = kChildTimeLimit);

  Child(Child&& other) noexcept;
  Child& operator=(Child&& other) noexcept;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  // A child not waited for is killed.
  ~Child();

  // Collects the output until the child ends, or kills it at its time limit.
  ProcessResult Wait();

 private:
  struct State;
  Child();
  std::unique_ptr<State> state_;
};

inline ProcessResult RunProcess(const Command& command) { return Child(command).Wait(); }
inline ProcessResult RunForked(const std::function<int(const ChildReport&)>& body,
                               std::chrono::milliseconds timeLimit = kChildTimeLimit) {
  return Child::Fork(body, timeLimit).Wait();
}

// Where a program is on PATH, as a shell would find it; nullopt when it is
// not installed.
std::optional<std::string> FindProgram(std::string_view name);

}  // namespace qztest
