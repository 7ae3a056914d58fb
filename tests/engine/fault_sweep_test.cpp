// Fault sweeps over whole installations: after a clean run has counted the
// operations of each kind, every one of them is failed in turn (once, and
// from there on for good), each time on a fresh machine in a child process,
// since the fatal paths end the process. Each run is then judged from the
// outside: the exit, the message boxes, the user's databases and the files
// left behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "base/install_path.h"
#include "engine/database_sync.h"
#include "engine/install_worker.h"
#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "platform/win/runtime.h"
#include "tests/engine/user_databases.h"
#include "tests/support/subprocess.h"
#include "tests/support/temp_dir.h"
#include "tests/support/temp_machine.h"
#include "tests/support/test_catalogue.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define QZ_CHECK_LEAKS 1
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitized child costs ten times a plain one (its first writes copy the
// shadow memory too, and each completed run is searched for leaks): there
// the single merges fail every second operation once, and the sweeps that
// repeat what they show take every third. The plain build fails them all.
constexpr uint64_t kSingleStride = 2;
constexpr uint64_t kRepeatStride = 3;
#else
constexpr uint64_t kSingleStride = 1;
constexpr uint64_t kRepeatStride = 1;
#endif

namespace {
namespace fs = std::filesystem;
using win::FileErrorKind;
using win::faults::Op;

constexpr size_t kOps = size_t(Op::count_);
constexpr uint64_t kForGood = uint64_t(1) << 62;

const char* OpName(Op op) {
  static const char* const names[kOps] = {"open",   "read",   "write",           "close",         "rename",
                                          "remove", "mkdir",  "setAttributes",   "registry",      "process"};
  return names[size_t(op)];
}

// The error each kind fails with: what a real disk most likely reports.
FileErrorKind InjectedError(Op op) {
  switch (op) {
    case Op::open: return FileErrorKind::accessDenied;
    case Op::write: return FileErrorKind::diskFull;
    default: return FileErrorKind::hardIO;
  }
}

struct Fault {
  enum class Mode { none, once, forGood, shortWrites } mode = Mode::none;
  Op op = Op::open;
  uint64_t n = 0;  // the nth operation, or the byte budget of short writes

  void Arm() const {
    switch (mode) {
      case Mode::none: return;
      case Mode::once: return win::faults::FailNth(op, n, InjectedError(op), 1);
      case Mode::forGood: return win::faults::FailNth(op, n, InjectedError(op), kForGood);
      case Mode::shortWrites: return win::faults::ShortWritesAfter(n);
    }
  }
};

// ---- the child process ------------------------------------------------------------

// What a child reports: the message boxes it showed, then, when the worker
// returned, the operation counts.
constexpr int kChildCompleted = 3;
constexpr int kChildNotDone = 4;
constexpr int kChildLeaked = 5;
constexpr int kChildThrew = 6;
constexpr int kChildLeakedFile = 7;  // a file left open by a completed run

void SendRecord(const qztest::ChildReport& report, char type, const std::string& payload) {
  std::string record(1, type);
  uint32_t size = uint32_t(payload.size());
  record.append(reinterpret_cast<const char*>(&size), sizeof size);
  record += payload;
  report.Send(record);
}

bool LeaksFound() {
#ifdef QZ_CHECK_LEAKS
  return __lsan_do_recoverable_leak_check() != 0;
#else
  return false;
#endif
}

size_t OpenDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

int RunChild(const qztest::ChildReport& report, const Fault& fault, const qz::PayloadCatalogue& catalogue, int update) {
  int code = kChildThrew;
  try {
    const size_t descriptors = OpenDescriptors();
    win::SetSleepHook([](unsigned) {});
    win::SetMessageBoxHandler([&report](const win::MessageBoxRequest& r) {
      SendRecord(report, 'M', win::WideToUtf8(r.text));
      return win::IDOK;
    });
    win::faults::Reset();
    fault.Arm();
    {
      qz::InstallState state;
      state.targetDirectory = u"C:\\Q";
      state.executableChoice = 1;
      state.updateInstall = update;
      qz::RunInstallWorker(catalogue, state, {.unregisterDll = {}, .syncDatabase = qz::SyncDatabaseEntry});
      code = state.InstallDone() ? kChildCompleted : kChildNotDone;
    }
    std::string counts;
    for (size_t i = 0; i < kOps; ++i) counts += std::to_string(win::faults::Count(Op(i))) + " ";
    SendRecord(report, 'C', counts);
    win::faults::Reset();
    if (code == kChildCompleted && OpenDescriptors() != descriptors) code = kChildLeakedFile;
    if (LeaksFound()) code = kChildLeaked;
  } catch (...) {
    code = kChildThrew;
  }
  return code;
}

struct ChildOutcome {
  qztest::ProcessResult process;
  std::vector<std::string> messages;
  std::vector<uint64_t> counts;  // empty unless the worker returned

  bool Completed() const { return process.Exited(kChildCompleted); }
  bool EndedByExit0() const { return process.Exited(0); }
  // With what the child wrote on standard error: a sanitizer's report.
  std::string Describe() const { return process.Describe() + (process.err.empty() ? "" : ":\n" + process.err); }
};

qztest::Child StartChild(const Fault& fault, const qz::PayloadCatalogue& catalogue, int update) {
  return qztest::Child::Fork(
      [&](const qztest::ChildReport& report) { return RunChild(report, fault, catalogue, update); });
}

ChildOutcome FinishChild(qztest::Child child) {
  ChildOutcome out{child.Wait(), {}, {}};
  const std::string& records = out.process.report;
  for (size_t at = 0; records.size() - at >= 1 + sizeof(uint32_t);) {
    const char type = records[at];
    uint32_t size;
    std::memcpy(&size, records.data() + at + 1, sizeof size);
    at += 1 + sizeof size;
    if (records.size() - at < size) break;
    const std::string payload = records.substr(at, size);
    at += size;
    if (type == 'M') out.messages.push_back(payload);
    if (type == 'C') {
      std::istringstream in(payload);
      for (uint64_t c; in >> c;) out.counts.push_back(c);
    }
  }
  return out;
}

// ---- judging the messages ------------------------------------------------------------

enum class MessageClass { mergeFailed, documentFailure, fatal, unknown };

struct ClassifiedMessage {
  MessageClass cls = MessageClass::unknown;
  std::string database;  // the database of a failed merge
  std::string label;     // for the report
};

const std::map<std::string, std::string>& MergeKinds() {
  static const std::map<std::string, std::string> kinds = {
      {"BJT", "standard.bjt"},       {"MOSFET", "standard.mos"},     {"JFET", "standard.jft"},
      {"diode", "standard.dio"},     {"capacitor", "standard.cap"},  {"resistor", "standard.res"},
      {"inductor", "standard.ind"},  {"ferrite bead", "standard.bead"},
  };
  return kinds;
}

ClassifiedMessage Classify(const std::string& text) {
  static const std::regex merge("Trouble merging (.+) databases\\.\n    \\.\\.\\.overwriting");
  // What loading and saving a database show (the file errors name the file).
  static const std::regex document(
      "Unexpected file format\\.|Failed to open document\\.|Failed to save document\\.|"
      "Access to .+ was denied\\.|Disk full while accessing .+\\.|"
      "Encountered a hardware I/O error while accessing .+\\.|An unknown error occurred while accessing .+\\.|"
      "Attempted to access .+ past its end\\.");
  struct Fatal {
    const char* label;
    std::regex pattern;
  };
  static const Fatal fatal[] = {
      {"Trouble writing file", std::regex("Trouble writing file \".+\"\\.\nThis might be a permission problem curable "
                                          "with fresh reboot\\.")},
      {"Trouble writing: <file> <gunzip error>", std::regex("Trouble writing: .+\n(.|\n)+")},
      {"Trouble creating temporary file",
       std::regex("Trouble creating temporary file\\.\nOut of disk space\\?  Permission problem\\?\nThis might be a "
                  "curable with fresh reboot\\.")},
      {"Trouble un-gziping tmpfile", std::regex("Trouble un-gziping tmpfile: .+\\\\tmp[^\\\\\n]+\n(.|\n)+")},
      {"Trouble backing up", std::regex("Trouble backing up (.+)\nas \\1\\.bak\n\nRelease sync aborted\\.")},
  };
  std::smatch m;
  if (std::regex_match(text, m, merge) && MergeKinds().contains(m[1].str()))
    return {MessageClass::mergeFailed, MergeKinds().at(m[1].str()), "Trouble merging " + m[1].str()};
  if (std::regex_match(text, document)) {
    std::string label = text.find(" while accessing ") != std::string::npos || text.starts_with("Access to ")
                            ? "database file error"
                            : text;
    return {MessageClass::documentFailure, {}, label};
  }
  for (const Fatal& f : fatal)
    if (std::regex_match(text, f.pattern)) return {MessageClass::fatal, {}, f.label};
  return {MessageClass::unknown, {}, "unexpected: " + text};
}

bool IsArchiveDatabase(const std::string& name) {
  return name == "standard.cap" || name == "standard.res" || name == "standard.ind" || name == "standard.bead";
}

// ---- the installations ----------------------------------------------------------------

struct Scenario {
  const char* name;
  int update;
  std::vector<std::string> databases;
};

void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name; }

std::vector<std::string> AllDatabases() {
  std::vector<std::string> names;
  for (const qztest::UserDatabase& db : qztest::UserDatabases()) names.push_back(db.name);
  return names;
}

const Scenario kScenarios[] = {
    {"overwrite", 0, AllDatabases()},
    {"update", 1, AllDatabases()},
    {"merge_bjt", 1, {"standard.bjt"}},
    {"merge_mos", 1, {"standard.mos"}},
    {"merge_jft", 1, {"standard.jft"}},
    {"merge_dio", 1, {"standard.dio"}},
    {"merge_cap", 1, {"standard.cap"}},
    {"merge_ind_bead", 1, {"standard.ind", "standard.bead"}},
    {"merge_res", 1, {"standard.res"}},
};

// One row of the report: one scenario, one kind, one mode.
struct Tally {
  uint64_t runs = 0, completed = 0, fatal = 0;
  std::map<std::string, int> messages;
  std::vector<std::string> problems;
};

std::string Quoted(std::string text) {
  for (size_t p; (p = text.find('\n')) != std::string::npos;) text.replace(p, 1, "\\n");
  return text;
}

class FaultSweep : public qztest::TempMachine, public ::testing::WithParamInterface<Scenario> {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    ::unsetenv("QZ_MACHINE_ARCH");
    const Scenario& s = GetParam();
    for (const std::string& name : s.databases) catalogue_.Add(Database(name), qztest::UserDatabaseNamed(name).make(true));
    // Entries around the databases: a compressed one after them and a plain,
    // read-only one.
    catalogue_.Add(kOtherEntries[0], std::string(1200, 'y'));
    catalogue_.Add(kOtherEntries[1], "plain and read-only", false, true);
    walk_ = catalogue_.Catalogue();
  }
  void TearDown() override {
    ::setenv("QZ_SYSTEM_ROOT", root_.c_str(), 1);
    win::ReloadMachine();
    runs_.reset();
    TempMachine::TearDown();
  }

  static constexpr const char* kOtherEntries[] = {".\\lib\\sym\\after.asy", ".\\readme.txt"};

  static std::string Database(const std::string& name) { return ".\\lib\\cmp\\" + name; }
  static std::u16string Destination(const std::string& catalogPath) {
    return qz::JoinInstallPath(u"C:\\Q", win::Utf8ToWide(catalogPath));
  }

  // The runs' machines live in memory where the host has a memory file
  // system: the merges make their files durable, and hundreds of syncs to a
  // disk would take minutes.
  const std::string& RunsFolder() {
    if (!runs_) runs_.emplace("qz-sweep", qztest::TempDir::Place::memory);
    return runs_->Path();
  }
  // A fresh machine in a folder of its own, made the current one.
  std::string NewMachine() {
    std::string machine = RunsFolder() + "/run" + std::to_string(++runNumber_);
    fs::create_directories(machine);
    ::setenv("QZ_SYSTEM_ROOT", machine.c_str(), 1);
    win::ReloadMachine();
    return machine;
  }
  // A fresh machine with the user's databases installed.
  std::string FreshMachine() {
    std::string machine = NewMachine();
    for (const std::string& name : GetParam().databases)
      qztest::WriteHostFile(machine + places_.database[name], qztest::UserDatabaseNamed(name).make(false));
    return machine;
  }
  static void DropMachine(const std::string& machine) {
    std::error_code ec;
    fs::remove_all(machine, ec);
  }
  // The regular files below a machine's folder, relative to it.
  static std::set<std::string> FilesOn(const std::string& machine) {
    std::set<std::string> files;
    for (auto it = fs::recursive_directory_iterator(machine); it != fs::recursive_directory_iterator(); ++it)
      if (it->is_regular_file()) files.insert(it->path().string().substr(machine.size()));
    return files;
  }
  static std::optional<std::string> FileOn(const std::string& machine, const std::string& place) {
    struct stat st;
    if (::lstat((machine + place).c_str(), &st) != 0) return std::nullopt;
    return qztest::ReadHostFile(machine + place);
  }

  // Where the files of a run lie, relative to the machine's folder (the same
  // on every fresh machine), and the files a fresh machine holds.
  void FindPlaces() {
    const std::string machine = NewMachine();
    auto place = [&](std::u16string_view path) { return Host(path).substr(machine.size()); };
    for (const std::string& name : GetParam().databases) {
      places_.database[name] = place(Destination(Database(name)));
      places_.backup[name] = place(Destination(Database(name)) + u".bak");
    }
    for (const char* entry : kOtherEntries) places_.entry[entry] = place(Destination(entry));
    places_.systemTemp = place(win::TemporaryDirectory());
    DropMachine(machine);
    const std::string fresh = FreshMachine();
    places_.fresh = FilesOn(fresh);
    DropMachine(fresh);
  }

  ChildOutcome RunOne(const Fault& fault) {
    const std::string machine = FreshMachine();
    ChildOutcome run = FinishChild(StartChild(fault, walk_, GetParam().update));
    lastMachine_ = machine;
    return run;
  }

  // The clean run: the operation counts and what every file holds after it.
  void RunClean() {
    FindPlaces();
    ChildOutcome clean = RunOne({});
    ASSERT_TRUE(clean.Completed()) << clean.Describe();
    ASSERT_TRUE(clean.messages.empty()) << Quoted(clean.messages[0]);
    ASSERT_EQ(clean.counts.size(), kOps);
    counts_ = clean.counts;
    for (const std::string& name : GetParam().databases) {
      expected_[name] = FileOn(lastMachine_, places_.database[name]).value_or("");
      ASSERT_NE(expected_[name], qztest::UserDatabaseNamed(name).make(false)) << name;
    }
    DropMachine(lastMachine_);
    WarmUp();
  }

  // The same clean run once in this process, which the first run showed to
  // return: every child then starts with the functions of the run bound and
  // the heap grown, instead of paying for both anew.
  void WarmUp() {
    const std::string machine = FreshMachine();
    win::SetSleepHook([](unsigned) {});
    win::SetMessageBoxHandler([](const win::MessageBoxRequest&) { return win::IDOK; });
    qz::InstallState state;
    state.targetDirectory = u"C:\\Q";
    state.executableChoice = 1;
    state.updateInstall = GetParam().update;
    qz::RunInstallWorker(walk_, state, {.unregisterDll = {}, .syncDatabase = qz::SyncDatabaseEntry});
    win::faults::Reset();
    DropMachine(machine);
  }

  // Runs each fault on a machine of its own, a few children at a time, and
  // judges each run as its child ends.
  void RunAll(const std::vector<Fault>& faults, Tally& tally) {
    struct Running {
      Fault fault;
      std::string machine;
      qztest::Child child;
    };
    const size_t width = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    std::deque<Running> running;
    auto finishOldest = [&] {
      Running& r = running.front();
      Judge(FinishChild(std::move(r.child)), r.machine, r.fault, tally);
      DropMachine(r.machine);
      running.pop_front();
    };
    for (const Fault& fault : faults) {
      if (running.size() >= width) finishOldest();
      std::string machine = FreshMachine();
      running.push_back({fault, machine, StartChild(fault, walk_, GetParam().update)});
    }
    while (!running.empty()) finishOldest();
  }

  // Every point of the kind, or every stride-th one and the last.
  static std::vector<uint64_t> Points(uint64_t count, uint64_t stride) {
    std::vector<uint64_t> points;
    for (uint64_t n = 1; n <= count; n += stride) points.push_back(n);
    if (!points.empty() && points.back() != count) points.push_back(count);
    return points;
  }
  bool IsSingleMerge() const { return GetParam().databases.size() <= 2 && GetParam().update; }

  Tally Sweep(Fault::Mode mode, Op op) {
    const bool repeats = !(IsSingleMerge() && mode == Fault::Mode::once);
    std::vector<Fault> faults;
    for (uint64_t n : Points(counts_[size_t(op)], repeats ? kRepeatStride : kSingleStride)) faults.push_back({mode, op, n});
    Tally tally;
    RunAll(faults, tally);
    return tally;
  }

  void Judge(const ChildOutcome& run, const std::string& machine, const Fault& fault, Tally& tally);
  void JudgeMessages(const ChildOutcome& run, Tally& tally, std::set<std::string>& failedMerges,
                     std::string& fatalLabel);
  void JudgeDatabases(const ChildOutcome& run, const std::string& machine, const std::set<std::string>& failedMerges,
                      Tally& tally);
  void JudgeLeftovers(const std::string& machine, const Fault& fault, const std::string& fatalLabel, Tally& tally);

  static std::string Where(const Fault& f) {
    if (f.mode == Fault::Mode::shortWrites) return "short writes after " + std::to_string(f.n) + " bytes";
    return std::string(OpName(f.op)) + " #" + std::to_string(f.n) + (f.mode == Fault::Mode::forGood ? " on" : "");
  }

  static void Report(const std::string& scenario, const std::string& row, const Tally& t) {
    std::ostringstream line;
    line << std::left << std::setw(15) << scenario << std::setw(22) << row << std::right << std::setw(5) << t.runs
         << std::setw(6) << t.completed << std::setw(6) << t.fatal << "  " << (t.problems.empty() ? "held" : "FAILED")
         << "  ";
    for (const auto& [label, times] : t.messages) line << Quoted(label) << " x" << times << "; ";
    std::cout << line.str() << "\n";
  }

  struct Places {
    std::map<std::string, std::string> database, backup;  // by database name
    std::map<std::string, std::string> entry;             // the other entries, by catalogue path
    std::string systemTemp;
    std::set<std::string> fresh;  // a fresh machine's files, the user's databases included
  };

  qztest::TestCatalogue catalogue_;
  qz::PayloadCatalogue walk_;
  Places places_;
  std::vector<uint64_t> counts_;
  std::map<std::string, std::string> expected_;  // each database after the clean run
  std::optional<qztest::TempDir> runs_;
  std::string lastMachine_;
  int runNumber_ = 0;
};

void FaultSweep::Judge(const ChildOutcome& run, const std::string& machine, const Fault& fault, Tally& tally) {
  ++tally.runs;
  const size_t problemsBefore = tally.problems.size();
  if (run.Completed()) ++tally.completed;
  else if (run.EndedByExit0()) ++tally.fatal;
  else tally.problems.push_back("ended with " + run.Describe());
  std::set<std::string> failedMerges;
  std::string fatalLabel;
  JudgeMessages(run, tally, failedMerges, fatalLabel);
  JudgeDatabases(run, machine, failedMerges, tally);
  JudgeLeftovers(machine, fault, fatalLabel, tally);
  for (size_t i = problemsBefore; i < tally.problems.size(); ++i)
    tally.problems[i] = Where(fault) + ": " + tally.problems[i];
}

// A failed load or save is followed by its merge's failure; a fatal message
// comes last, and only a run that ended with exit status 0 shows one.
void FaultSweep::JudgeMessages(const ChildOutcome& run, Tally& tally, std::set<std::string>& failedMerges,
                               std::string& fatalLabel) {
  std::vector<ClassifiedMessage> classified;
  for (const std::string& text : run.messages) classified.push_back(Classify(text));
  for (size_t i = 0; i < classified.size(); ++i) {
    const ClassifiedMessage& m = classified[i];
    ++tally.messages[m.label];
    const bool last = i + 1 == classified.size();
    switch (m.cls) {
      case MessageClass::mergeFailed:
        failedMerges.insert(m.database);
        break;
      case MessageClass::documentFailure:
        if (last || classified[i + 1].cls != MessageClass::mergeFailed ||
            !IsArchiveDatabase(classified[i + 1].database))
          tally.problems.push_back("\"" + Quoted(run.messages[i]) + "\" not followed by a failed archive merge");
        break;
      case MessageClass::fatal:
        if (!last) tally.problems.push_back("a message after the fatal \"" + Quoted(run.messages[i]) + "\"");
        fatalLabel = m.label;
        break;
      case MessageClass::unknown:
        tally.problems.push_back("unexpected message \"" + Quoted(run.messages[i]) + "\"");
        break;
    }
  }
  if (run.EndedByExit0() && fatalLabel.empty()) tally.problems.push_back("exit status 0 without a fatal message");
  if (run.Completed() && !fatalLabel.empty()) tally.problems.push_back("completed after a fatal message");
}

// An overwrite replaces the user's databases (only the one being written
// when the process ended may be partly written). An update keeps each one
// as it was, merges it, or keeps its previous content in the .bak file;
// when the run completes, a database is merged unless its merge failed
// visibly, and then it is the shipped one with the user's in the .bak file.
void FaultSweep::JudgeDatabases(const ChildOutcome& run, const std::string& machine,
                                const std::set<std::string>& failedMerges, Tally& tally) {
  const Scenario& s = GetParam();
  int inProgress = 0;
  for (const std::string& name : s.databases) {
    const std::string user = qztest::UserDatabaseNamed(name).make(false);
    const std::string shipped = qztest::UserDatabaseNamed(name).make(true);
    const std::optional<std::string> now = FileOn(machine, places_.database[name]);
    const std::optional<std::string> bak = FileOn(machine, places_.backup[name]);
    if (s.update == 0) {
      if (bak) tally.problems.push_back(name + ": a .bak file from an overwrite");
      if (run.Completed() && now != shipped) tally.problems.push_back(name + ": not the shipped database");
      if (now != user && now != shipped) ++inProgress;
      continue;
    }
    if (now != user && now != expected_[name] && bak != user) {
      tally.problems.push_back(name + ": user data lost (neither kept, merged nor backed up)");
      continue;
    }
    if (!run.Completed()) continue;
    if (!failedMerges.contains(name) && now != expected_[name])
      tally.problems.push_back(name + ": silently not merged (" + (now == shipped ? "shipped" : "other") + " content" +
                               (bak ? ", .bak present)" : ", no .bak)"));
    if (failedMerges.contains(name) && (now != shipped || bak != user))
      tally.problems.push_back(name + ": a failed merge did not end as the shipped database and the user's .bak");
  }
  if (inProgress > (run.Completed() ? 0 : 1))
    tally.problems.push_back(std::to_string(inProgress) + " databases neither the user's nor the shipped");
  if (!run.Completed()) return;
  for (const char* entry : kOtherEntries)
    if (FileOn(machine, places_.entry[entry]) != catalogue_.Content(entry))
      tally.problems.push_back(std::string(entry) + " not written right by a completed run");
}

// Only the catalogue's files and the backups are new; a temporary file may
// stay only where its own removal failed, or where the process ended inside
// a merge (the shipped database's temporary file).
void FaultSweep::JudgeLeftovers(const std::string& machine, const Fault& fault, const std::string& fatalLabel,
                                Tally& tally) {
  std::set<std::string> allowed = places_.fresh;
  for (const auto& [entry, place] : places_.entry) allowed.insert(place);
  for (const auto& [name, place] : places_.database) allowed.insert(place);
  if (GetParam().update)
    for (const auto& [name, place] : places_.backup) allowed.insert(place);
  for (const std::string& file : FilesOn(machine)) {
    if (allowed.contains(file)) continue;
    const bool temporary = fs::path(file).filename().string().starts_with("tmp");
    if (temporary && fault.mode != Fault::Mode::shortWrites && fault.op == Op::remove) continue;
    if (temporary && fatalLabel == "Trouble backing up" && file.starts_with(places_.systemTemp)) continue;
    tally.problems.push_back("left behind: " + file);
  }
}

TEST_P(FaultSweep, EveryOperationFails) {
  RunClean();
  if (HasFatalFailure()) return;
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::string> problems;
  uint64_t runs = 0;
  for (Fault::Mode mode : {Fault::Mode::once, Fault::Mode::forGood}) {
    // Failing for good from one point on, the whole installations end at
    // the first failure that the single merges have already shown.
    if (mode == Fault::Mode::forGood && !IsSingleMerge()) continue;
    for (size_t i = 0; i < kOps; ++i) {
      if (counts_[i] == 0) continue;
      Tally t = Sweep(mode, Op(i));
      Report(GetParam().name, std::string(OpName(Op(i))) + (mode == Fault::Mode::once ? " once" : " from N on"), t);
      runs += t.runs;
      problems.insert(problems.end(), t.problems.begin(), t.problems.end());
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::cout << GetParam().name << ": " << runs << " faulted runs in " << seconds << " s\n";
  for (size_t i = 0; i < problems.size() && i < 40; ++i) ADD_FAILURE() << problems[i];
  EXPECT_TRUE(problems.empty()) << problems.size() << " problems";
}

// Disk full at a spread of points through an update: every write from
// there on stops short.
TEST_P(FaultSweep, ShortWritesThroughTheRun) {
  if (std::string(GetParam().name) != "update") GTEST_SKIP() << "run for the full update only";
  RunClean();
  if (HasFatalFailure()) return;
  // The first budget that the whole run does not exhaust.
  uint64_t total = 1024;
  for (;; total *= 2) {
    ChildOutcome run = RunOne({Fault::Mode::shortWrites, Op::write, total});
    DropMachine(lastMachine_);
    if (run.Completed() && run.messages.empty()) break;
    ASSERT_LT(total, uint64_t(1) << 30);
  }
  std::set<uint64_t> budgets = {0, 1, 2, 100, 511, 512, 513};
  constexpr uint64_t kPoints = 97;  // not a divisor of block sizes
  for (uint64_t k = 0; k <= kPoints; k += kRepeatStride) budgets.insert(total * k / kPoints);
  std::vector<Fault> faults;
  for (uint64_t b : budgets) faults.push_back({Fault::Mode::shortWrites, Op::write, b});
  Tally tally;
  RunAll(faults, tally);
  Report(GetParam().name, "short writes", tally);
  std::cout << "budgets 0 to " << total << " bytes\n";
  for (size_t i = 0; i < tally.problems.size() && i < 40; ++i) ADD_FAILURE() << tally.problems[i];
  EXPECT_TRUE(tally.problems.empty()) << tally.problems.size() << " problems";
}

INSTANTIATE_TEST_SUITE_P(Installations, FaultSweep, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

}  // namespace
