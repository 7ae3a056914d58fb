#include "tests/support/subprocess.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using qztest::Command;
using qztest::ProcessResult;

TEST(Subprocess, RunsTheArgumentsAsGivenWithItsEnvironmentFolderAndInput) {
  qztest::TempDir folder("qz-run");
  qztest::ScopedEnv env("QZ_RUN_REMOVED", "still here");
  // More input than a pipe holds, echoed back: the input and the output
  // flow at once.
  std::string input(300000, 'i');
  ProcessResult r = qztest::RunProcess({
      .argv = {"sh", "-c",
               "printf '%s|%s|%s|' \"$1\" \"$QZ_RUN_ADDED\" \"${QZ_RUN_REMOVED-unset}\"; pwd -P; cat; "
               "echo problem >&2; exit 3",
               "sh", "it's \"one\" $argument"},
      .env = {{"QZ_RUN_ADDED", "added"}, {"QZ_RUN_REMOVED", std::nullopt}},
      .directory = folder.Path(),
      .input = input,
  });
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.out,
            "it's \"one\" $argument|added|unset|" + std::filesystem::canonical(folder.Path()).string() + "\n" + input);
  EXPECT_EQ(r.err, "problem\n");
}

TEST(Subprocess, ErrorOutputCanJoinTheOutputInOrder) {
  ProcessResult r = qztest::RunProcess({.argv = {"sh", "-c", "echo a; echo b >&2; echo c"}, .errToOut = true});
  EXPECT_TRUE(r.Exited(0)) << r.Describe();
  EXPECT_EQ(r.out, "a\nb\nc\n");
  EXPECT_EQ(r.err, "");
}

// Gone, or a zombie waiting for whoever reaps orphans.
bool Ended(const std::string& pid) {
  for (int i = 0; i < 500; ++i) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line) || line.substr(line.rfind(')') + 2, 1) == "Z") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(Subprocess, SignalsAndTheTimeLimitEndIt) {
  struct Case {
    const char* script;
    int signal;
    bool timedOut;
  } cases[] = {
      {"kill -TERM $$", SIGTERM, false},
      // What the child started goes with it.
      {"sleep 30 & echo $!; wait", SIGKILL, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const auto start = std::chrono::steady_clock::now();
    ProcessResult r = qztest::RunProcess({.argv = {"sh", "-c", c.script}, .timeLimit = std::chrono::milliseconds(300)});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_EQ(r.signal, c.signal) << r.Describe();
    EXPECT_EQ(r.timedOut, c.timedOut);
    if (!r.out.empty()) {
      EXPECT_TRUE(Ended(r.out.substr(0, r.out.size() - 1))) << "the grandchild " << r.out << "lives on";
    }
  }
}

TEST(Subprocess, ProgramThatCannotRunEndsWith127AndSaysWhy) {
  struct Case {
    Command command;
    const char* why;
  } cases[] = {
      {{.argv = {"qz-no-such-program"}}, "qz-no-such-program is not on PATH"},
      {{.argv = {"/nonexistent/qzprogram"}}, "cannot run /nonexistent/qzprogram: No such file"},
      {{.argv = {"sh", "-c", "true"}, .directory = "/nonexistent"}, "in /nonexistent: No such file"},
  };
  for (const Case& c : cases) {
    ProcessResult r = qztest::RunProcess(c.command);
    EXPECT_EQ(r.exitCode, 127);
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
  }
  EXPECT_TRUE(qztest::FindProgram("sh"));
  EXPECT_FALSE(qztest::FindProgram("qz-no-such-program"));
}

TEST(Subprocess, ForkedFunctionReportsAsItGoesAndEndsWithItsCode) {
  struct Case {
    const char* how;
    int exitCode, signal;
  } cases[] = {{"return", 7, 0}, {"throw", 125, 0}, {"die", -1, SIGKILL}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    const std::string how = c.how;
    ProcessResult r = qztest::RunForked([&](const qztest::ChildReport& report) {
      std::printf("out ");
      std::fprintf(stderr, "err");
      report.Send("before ");
      report.Send(how);
      if (how == "throw") throw std::runtime_error("thrown");
      if (how == "die") ::raise(SIGKILL);
      std::printf("returns");
      return 7;
    });
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.signal, c.signal);
    EXPECT_EQ(r.report, "before " + how);
    EXPECT_EQ(r.err, "err");
    if (how == "return") {
      EXPECT_EQ(r.out, "out returns");
    }
  }
}

}  // namespace
