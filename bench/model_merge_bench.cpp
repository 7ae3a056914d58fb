// The release sync of a large model library: 20,000 installed models with
// 20,000 shipped ones, half of the names shared, some names repeated and
// the shared names often spelled in another letter case.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "models/model_library.h"
#include "models/model_merge.h"
#include "models/model_record_merge.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"

namespace {

constexpr int kModels = 20000;
constexpr std::u16string_view kInstalled = u"C:\\lib\\cmp\\standard.bjt";
constexpr std::u16string_view kShipped = u"C:\\lib\\cmp\\shipped.tmp";

// A fresh emulated machine for the benchmarks of this file.
void UseBenchMachine() {
  static const std::string root = [] {
    std::string templ = (std::filesystem::temp_directory_path() / "qz-bench-XXXXXX").string();
    if (!::mkdtemp(templ.data())) std::abort();
    std::filesystem::create_directories(templ + "/drive_c/lib/cmp");
    return templ;
  }();
  if (win::MachineRoot() != root) {
    ::setenv("QZ_SYSTEM_ROOT", root.c_str(), 1);
    win::ReloadMachine();
  }
}

std::string ModelName(int n, std::mt19937& random) {
  std::string name = "Q" + std::to_string(100000 + n) + "ab";
  for (char& c : name)
    if (c >= 'a' && c <= 'z' && random() % 2) c = char(c - 32);
  return name;
}

// A library as shipped: comments and statements continued on "+" lines.
std::string Library(int firstName, std::mt19937& random, const char* maker) {
  std::string text = "* Quenda Zorvel standard library of bipolar transistors\r\n*\r\n";
  for (int i = 0; i < kModels; ++i) {
    int n = firstName + (random() % 50 == 0 ? int(random() % kModels) : i);  // about 2% repeats
    text += ".model " + ModelName(n, random) + (i % 2 ? " PNP" : " NPN") +
            "(IS=" + std::to_string(random() % 900 + 100) + "f BF=" + std::to_string(random() % 400 + 50) +
            " VAF=" + std::to_string(random() % 100 + 10) + "\r\n+ IKF=" + std::to_string(random() % 900) +
            "m ISE=" + std::to_string(random() % 90) + "f NE=1.5 BR=4 RB=10 mfg=" + maker + ")\r\n";
    if (i % 40 == 0) text += "* checked against the data sheet\r\n";
  }
  return text;
}

struct Input {
  std::string installed, shipped;
};

const Input& BenchInput() {
  static const Input input = [] {
    std::mt19937 random(42);
    Input in;
    in.installed = Library(0, random, "User");
    in.shipped = Library(kModels / 2, random, "Vossdyne");  // names 10,000 to 29,999: half shared
    return in;
  }();
  return input;
}

void PutLibrary(std::u16string_view path, const std::string& bytes) {
  win::File file = win::File::Open(path, win::OpenMode::write);
  if (!file || file.Write(bytes.data(), bytes.size()) != bytes.size() || !file.Close()) std::abort();
}

qz::ModelRecordList ReadLibrary(std::u16string_view path, const std::string& bytes) {
  PutLibrary(path, bytes);
  std::optional<qz::ModelRecordList> list = qz::ReadModelLibrary(path, qz::ModelKind::bjt);
  if (!list) std::abort();
  return std::move(*list);
}

qz::ModelRecordList Copy(const qz::ModelRecordList& list) {
  qz::ModelRecordList copy(list.kind);
  copy.records.reserve(list.records.size());
  for (const auto& r : list.records) copy.records.push_back(qz::MakeModelRec(list.kind, r->Name(), r->Text()));
  return copy;
}

struct Lists {
  qz::ModelRecordList installed{qz::ModelKind::bjt}, shipped{qz::ModelKind::bjt};
};

const Lists& BenchLists() {
  static const Lists lists = [] {
    UseBenchMachine();
    Lists l;
    l.installed = ReadLibrary(kInstalled, BenchInput().installed);
    l.shipped = ReadLibrary(kShipped, BenchInput().shipped);
    return l;
  }();
  return lists;
}

using Merge = void (*)(qz::ModelRecordList&, qz::ModelRecordList&);

double SecondsOfMerge(Merge merge) {
  qz::ModelRecordList merged = Copy(BenchLists().installed), shipped = Copy(BenchLists().shipped);
  auto start = std::chrono::steady_clock::now();
  merge(merged, shipped);
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  benchmark::DoNotOptimize(merged.records.data());
  return elapsed.count();
}

// The record merge alone, with its speed-up over the plain scan measured
// once on the same input.
void BM_ModelRecordMergeIndexed(benchmark::State& state) {
  static const double scanSeconds = SecondsOfMerge(qz::MergeModelRecordsByScan);
  double total = 0;
  for (auto _ : state) {
    double seconds = SecondsOfMerge(qz::MergeModelRecords);
    state.SetIterationTime(seconds);
    total += seconds;
  }
  state.counters["scan_ms"] = scanSeconds * 1000;
  state.counters["speedup_vs_scan"] = scanSeconds / (total / double(state.iterations()));
}
BENCHMARK(BM_ModelRecordMergeIndexed)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ModelRecordMergeByScan(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(SecondsOfMerge(qz::MergeModelRecordsByScan));
}
BENCHMARK(BM_ModelRecordMergeByScan)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// What an update installation spends on the library: backup, both reads,
// the merge and the replacement of the installed library.
void BM_MergeBjtLibrary(benchmark::State& state) {
  UseBenchMachine();
  const Input& input = BenchInput();
  PutLibrary(kShipped, input.shipped);
  size_t merged = 0;
  for (auto _ : state) {
    state.PauseTiming();
    PutLibrary(kInstalled, input.installed);
    state.ResumeTiming();
    if (!qz::MergeBjtLibrary(kInstalled, kShipped, kInstalled)) {
      state.SkipWithError("the merge failed");
      break;
    }
    merged = win::GetFileStatus(kInstalled)->size;
  }
  state.counters["library_bytes"] = double(merged);
}
BENCHMARK(BM_MergeBjtLibrary)->Unit(benchmark::kMillisecond);

}  // namespace
