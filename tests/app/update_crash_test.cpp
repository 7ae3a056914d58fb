// The real installer, killed with SIGKILL at many points of an update over an
// installation whose eight databases hold a user's own entries, then run
// again to its end: no user entry and no database may be lost.
//
// The kill points are operations of the platform layer, counted by kind
// (QZ_FAULT_KILL), chosen from the trace of an uninterrupted update
// (QZ_FAULT_TRACE): every step of each merge (its backup, its save's new
// file, write, close and rename, the removal of the shipped copy), and points
// spread over the rest of the run. Virtual time (QZ_VIRTUAL_TIME) skips the
// countdown and the pauses.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/subprocess.h"
#include "tests/support/temp_dir.h"

namespace {
namespace fs = std::filesystem;

constexpr const char* kDatabases[] = {"bead", "bjt", "cap", "dio", "ind", "jft", "mos", "res"};
constexpr const char* kCmp = "drive_c/Program Files/Ombra/QuendaZorvel/lib/cmp";
constexpr int kUserEntries = 40;
constexpr size_t kSpreadPoints = 12;

// Runs a program with extra environment variables, its output and errors
// captured together.
qztest::ProcessResult RunProgram(std::vector<std::string> argv, qztest::EnvChanges env = {}) {
  return qztest::RunProcess({.argv = std::move(argv), .env = std::move(env), .errToOut = true});
}

// One line of the trace: the operation's kind, its number among the
// operations of that kind, and its path if it has one.
struct TracedOp {
  std::string kind;
  unsigned long n = 0;
  std::string path;
  std::string Setting() const { return kind + ":" + std::to_string(n); }
};

std::vector<TracedOp> ReadTrace(const fs::path& file) {
  std::vector<TracedOp> ops;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    TracedOp op;
    fields >> op.kind >> op.n;
    std::getline(fields >> std::ws, op.path);
    ops.push_back(std::move(op));
  }
  return ops;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

struct KillPoint {
  TracedOp op;
  std::string what;
};

// Where a merge of one database touches its files, in the order it does:
// from the first look at the installed file to the removal of the shipped
// copy, its backup and the last open, write, close and rename (the save).
std::vector<KillPoint> PointsOfMerge(const std::vector<TracedOp>& ops, const std::string& db, size_t& first,
                                     size_t& last) {
  const std::string file = "\\lib\\cmp\\standard." + db;
  auto next = [&](size_t from, auto test) {
    for (size_t i = from; i < ops.size(); ++i)
      if (test(ops[i])) return i;
    return ops.size();
  };
  auto kind = [](const char* k) { return [k](const TracedOp& o) { return o.kind == k; }; };
  size_t start = next(0, [&](const TracedOp& o) { return o.kind == "open" && EndsWith(o.path, file); });
  size_t end = next(start, kind("remove"));
  if (end >= ops.size()) return {};
  auto lastBefore = [&](const char* k) {
    for (size_t i = end; i-- > start;)
      if (ops[i].kind == k) return i;
    return ops.size();
  };
  size_t backup = next(start, [&](const TracedOp& o) { return o.kind == "open" && EndsWith(o.path, file + ".bak"); });
  std::vector<std::pair<size_t, const char*>> chosen = {
      {start, "merge starts"},           {backup, "backup opened"},
      {next(backup + 1, kind("write")), "backup written"},
      {lastBefore("open"), "save's file opened"},
      {lastBefore("write"), "save written"}, {lastBefore("close"), "save closed"},
      {lastBefore("rename"), "save renamed over the database"}, {end, "shipped copy removed"}};
  first = start;
  last = end;
  std::vector<KillPoint> points;
  std::set<size_t> taken;
  for (const auto& [i, what] : chosen)
    if (i < ops.size() && i <= end && taken.insert(i).second) points.push_back({ops[i], "standard." + db + ": " + what});
  return points;
}

class UpdateCrash : public ::testing::Test {
 protected:
  // Each test prepares its own installation in its own folder.
  fs::path Work() const { return work_.Path(); }

  static fs::path Cmp(const fs::path& machine) { return machine / kCmp; }

  qztest::ProcessResult Installer(const fs::path& machine, qztest::EnvChanges env) {
    env.insert(env.end(), {{"QZ_SYSTEM_ROOT", machine.string()},
                           {"QZ_UI", "console"},
                           {"QZ_VIRTUAL_TIME", "1"},
                           {"QZ_SYSTEM_TOOLS", QZSYSTEMTOOLS_PATH}});
    return RunProgram({QZ_SETUP_PATH, "-AcceptedLicense"}, std::move(env));
  }

  // The records of a database as qzdb prints them; nullopt when it cannot
  // be loaded.
  std::optional<std::set<std::string>> Dump(const fs::path& file, const std::string& kind) {
    qztest::ProcessResult r = RunProgram({QZDB_PATH, "dump", "--kind", kind, file.string()});
    if (r.exitCode != 0) return std::nullopt;
    std::set<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) lines.insert(line);
    return lines;
  }

  // An installation with the user's entries in all eight databases, and
  // the trace of an uninterrupted update over it.
  void PrepareInstallation() {
    base_ = Work() / "base";
    ASSERT_EQ(Installer(base_, {}).exitCode, 0);
    fs::path user = Work() / "user";
    fs::create_directories(user);
    ASSERT_EQ(RunProgram({QZDEMOTREE_PATH, "--user-databases", user.string(), std::to_string(kUserEntries)}).exitCode,
              0);
    for (const char* db : kDatabases)
      fs::copy_file(user / (std::string("standard.") + db), Cmp(base_) / (std::string("standard.") + db),
                    fs::copy_options::overwrite_existing);

    fs::path reference = Work() / "reference";
    fs::copy(base_, reference, fs::copy_options::recursive);
    fs::path trace = Work() / "trace.txt";
    qztest::ProcessResult r = Installer(reference, {{"QZ_FAULT_TRACE", trace.string()}});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    ASSERT_EQ(r.out.find("Trouble"), std::string::npos) << r.out;
    trace_ = ReadTrace(trace);
    // The user's entries that an update keeps: those that no shipped entry
    // replaces, as the merge leaves them.
    for (const char* db : kDatabases) {
      std::string name = std::string("standard.") + db;
      auto mine = Dump(user / name, db);
      auto merged = Dump(Cmp(reference) / name, db);
      ASSERT_TRUE(mine && merged) << name;
      std::set<std::string> kept;
      std::set_intersection(mine->begin(), mine->end(), merged->begin(), merged->end(),
                            std::inserter(kept, kept.end()));
      ASSERT_GE(kept.size(), size_t(kUserEntries) / 4) << name;
      kept_.push_back(std::move(kept));
    }
  }

  std::vector<KillPoint> ChooseKillPoints() {
    std::vector<KillPoint> points;
    std::vector<bool> inMerge(trace_.size(), false);
    for (const char* db : kDatabases) {
      size_t first = 0, last = 0;
      std::vector<KillPoint> merge = PointsOfMerge(trace_, db, first, last);
      EXPECT_GE(merge.size(), 6u) << db;
      points.insert(points.end(), merge.begin(), merge.end());
      for (size_t i = first; i <= last && !merge.empty(); ++i) inMerge[i] = true;
    }
    // Reads change nothing: killing at one is killing at the write before.
    std::vector<size_t> rest;
    for (size_t i = 0; i < trace_.size(); ++i)
      if (!inMerge[i] && trace_[i].kind != "read") rest.push_back(i);
    for (size_t k = 0; k < kSpreadPoints && !rest.empty(); ++k) {
      const TracedOp& op = trace_[rest[(2 * k + 1) * rest.size() / (2 * kSpreadPoints)]];
      points.push_back({op, "elsewhere: " + op.Setting() + (op.path.empty() ? "" : " " + op.path)});
    }
    return points;
  }

  // Killed at the point, then run again: every database loads, and each
  // entry of the user's that the update keeps is in it or in its backup.
  // failing: an operation that fails in the killed run, so that a merge fails.
  void KillAndRerun(const KillPoint& point, const std::string& failing = "") {
    fs::path machine = Work() / "machine";
    std::error_code ec;
    fs::remove_all(machine, ec);
    fs::copy(base_, machine, fs::copy_options::recursive);
    qztest::EnvChanges env = {{"QZ_FAULT_KILL", point.op.Setting()}};
    if (!failing.empty()) env.push_back({"QZ_FAULT_FAIL", failing});
    qztest::ProcessResult killed = Installer(machine, env);
    EXPECT_EQ(killed.signal, SIGKILL) << "not killed at " << point.op.Setting() << "\n" << killed.out;
    qztest::ProcessResult again = Installer(machine, {});
    ASSERT_EQ(again.exitCode, 0) << again.out;
    EXPECT_EQ(again.out.find("Trouble"), std::string::npos) << again.out;
    for (size_t d = 0; d < std::size(kDatabases); ++d) {
      fs::path file = Cmp(machine) / (std::string("standard.") + kDatabases[d]);
      auto installed = Dump(file, kDatabases[d]);
      ASSERT_TRUE(installed) << file << " does not load";
      std::vector<std::string> missing;
      std::set_difference(kept_[d].begin(), kept_[d].end(), installed->begin(), installed->end(),
                          std::back_inserter(missing));
      if (missing.empty()) continue;
      fs::path backup = file.string() + ".bak";
      auto saved = Dump(backup, kDatabases[d]);
      ASSERT_TRUE(saved) << backup << " does not load, and " << file << " lacks " << missing.size() << " entries";
      for (const std::string& entry : missing) EXPECT_TRUE(saved->count(entry)) << file << " lost: " << entry;
    }
  }

  // The points of the shipped database's overwrite after the merge of the
  // database failed at its save's rename: from that failure to the rename
  // that puts the shipped database in place. Each comes with the failing
  // rename. (Once that rename is done the user's entries are in the backup
  // alone, which the next update's merge replaces: no kill makes that worse.)
  std::vector<std::pair<KillPoint, std::string>> PointsOfOverwriteAfterFailedMerge(const std::string& db) {
    size_t first = 0, last = 0;
    std::vector<KillPoint> merge = PointsOfMerge(trace_, db, first, last);
    auto save = std::find_if(merge.begin(), merge.end(), [](const KillPoint& p) { return EndsWith(p.what, "renamed over the database"); });
    if (save == merge.end()) return {};
    const std::string failing = save->op.Setting();
    fs::path reference = Work() / "failed-merge";
    std::error_code ec;
    fs::remove_all(reference, ec);
    fs::copy(base_, reference, fs::copy_options::recursive);
    fs::path trace = Work() / "failed-merge-trace.txt";
    fs::remove(trace, ec);
    qztest::ProcessResult r = Installer(reference, {{"QZ_FAULT_FAIL", failing}, {"QZ_FAULT_TRACE", trace.string()}});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("Trouble merging"), std::string::npos) << r.out;
    std::vector<TracedOp> ops = ReadTrace(trace);
    auto failed = std::find_if(ops.begin(), ops.end(), [&](const TracedOp& o) { return o.Setting() == failing; });
    std::vector<std::pair<KillPoint, std::string>> points;
    for (auto o = failed == ops.end() ? ops.end() : failed + 1; o != ops.end(); ++o) {
      if (o->kind != "read")
        points.push_back({{*o, "standard." + db + " overwritten: " + o->Setting() + " " + o->path}, failing});
      if (o->kind == "rename" && EndsWith(o->path, "\\standard." + db)) break;
    }
    return points;
  }

  // The runs sync every save: on a memory file system that costs nothing.
  qztest::TempDir work_{"qz-crash", qztest::TempDir::Place::memory};
  fs::path base_;
  std::vector<TracedOp> trace_;
  std::vector<std::set<std::string>> kept_;
};

TEST_F(UpdateCrash, NoUserEntryIsLostWhereverTheUpdateIsKilled) {
  ASSERT_NO_FATAL_FAILURE(PrepareInstallation());
  std::vector<KillPoint> points = ChooseKillPoints();
  ASSERT_GE(points.size(), 50u);
  for (const KillPoint& point : points) {
    SCOPED_TRACE(point.what + " (" + point.op.Setting() + ")");
    KillAndRerun(point);
    if (HasFatalFailure()) return;
  }
  std::cout << "[ killed ] " << points.size() << " points of the update\n";
}

// A merge that fails is followed by the shipped database's overwrite of the
// installed one; killed anywhere in it, the user's entries stay in the
// database or its backup for the next update.
TEST_F(UpdateCrash, NoUserEntryIsLostWhereTheOverwriteAfterAFailedMergeIsKilled) {
  ASSERT_NO_FATAL_FAILURE(PrepareInstallation());
  size_t killed = 0;
  for (const char* db : {"bjt", "cap"}) {
    auto points = PointsOfOverwriteAfterFailedMerge(db);
    EXPECT_GE(points.size(), 5u) << db;
    for (const auto& [point, failing] : points) {
      SCOPED_TRACE(point.what + " (" + point.op.Setting() + ", failing " + failing + ")");
      KillAndRerun(point, failing);
      if (HasFatalFailure()) return;
    }
    killed += points.size();
  }
  std::cout << "[ killed ] " << killed << " points of overwrites after a failed merge\n";
}

}  // namespace
