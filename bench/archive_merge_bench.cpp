// The release sync of the inductor database at the size of the shipped
// one: 12,000 shipped records merged into 12,000 user records, a third of
// which are shipped parts too. The whole merge (load, merge, sort, save)
// with the lookup, against the same steps with the plain scan.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "archive/archive_merge.h"
#include "archive/database_file.h"
#include "platform/base/text.h"
#include "platform/host/machine.h"
#include "platform/win/message_box.h"

namespace {

constexpr int kShipped = 12000;
constexpr int kUser = 12000;
constexpr char16_t kShippedPath[] = u"C:\\bench\\shipped.ind";
constexpr char16_t kInstalledPath[] = u"C:\\bench\\standard.ind";
constexpr char16_t kOutputPath[] = u"C:\\bench\\merged.ind";

uint64_t Next(uint64_t& state) {
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  return state >> 33;
}

std::u16string PartNumber(int n) { return win::Utf8ToWide("7447" + std::to_string(100000 + n)); }

qz::CInductorRec Inductor(uint64_t& seed, std::u16string maker, std::u16string part) {
  qz::CInductorRec r;
  r.manufacturer = std::move(maker);
  r.partNumber = std::move(part);
  r.inductance = float(1 + Next(seed) % 1000) * 1e-7f;
  r.currentRating = float(1 + Next(seed) % 100) / 10.0f;
  r.seriesResistance = float(1 + Next(seed) % 500) / 1000.0f;
  return r;
}

void Put(qz::CInductorDoc& doc, qz::CInductorRec r) { doc.Records().push_back(std::make_unique<qz::CInductorRec>(r)); }

// Writes the two input files once, on a machine of their own.
void PrepareInputs() {
  static bool done = false;
  if (done) return;
  done = true;
  char root[] = "/tmp/qz-bench-XXXXXX";
  if (!::mkdtemp(root)) std::abort();
  ::setenv("QZ_SYSTEM_ROOT", root, 1);
  static const std::string machine = root;
  std::atexit([] { std::filesystem::remove_all(machine); });
  win::ReloadMachine();
  win::SetMessageBoxHandler([](const win::MessageBoxRequest& r) {
    std::fprintf(stderr, "message: %s\n", win::WideToUtf8(r.text).c_str());
    return win::IDOK;
  });
  static const char16_t* const makers[] = {u"W\u00FCrth Elektronik", u"Toko", u"Coilvane", u"Mertz Magnetics"};
  uint64_t seed = 12000;
  qz::CInductorDoc shipped, user;
  for (int i = 0; i < kShipped; ++i) Put(shipped, Inductor(seed, makers[i % 4], PartNumber(i)));
  for (int i = 0; i < kUser; ++i) {
    if (i % 3 == 0) {
      // A shipped part, with older values, sometimes in another letter case.
      const int s = int(Next(seed) % kShipped);
      Put(user, Inductor(seed, i % 2 ? u"TOKO" : makers[s % 4], PartNumber(s)));
    } else {
      Put(user, Inductor(seed, u"My Own Coils", win::Utf8ToWide("L" + std::to_string(i))));
    }
  }
  win::CreateDirectory(u"C:\\bench");
  if (!qz::SaveDatabase(shipped, kShippedPath) || !qz::SaveDatabase(user, kInstalledPath)) std::abort();
}

void MergeInductorDatabase(benchmark::State& state) {
  PrepareInputs();
  for (auto _ : state) {
    if (!qz::MergeInductorDatabase(kOutputPath, kShippedPath, kInstalledPath)) state.SkipWithError("merge failed");
  }
  state.counters["records"] = double(kShipped + kUser);
}
BENCHMARK(MergeInductorDatabase)->Unit(benchmark::kMillisecond);

// Load, merge, sort and save, with the lookup or the scan.
template <bool indexed>
void LoadMergeSave(benchmark::State& state) {
  PrepareInputs();
  for (auto _ : state) {
    auto user = qz::LoadDatabase<qz::CInductorDoc>(kInstalledPath);
    auto shipped = qz::LoadDatabase<qz::CInductorDoc>(kShippedPath);
    if (!user || !shipped) {
      state.SkipWithError("load failed");
      break;
    }
    if constexpr (indexed) {
      qz::MergeShippedRecords(*user, *shipped);
    } else {
      qz::MergeShippedRecordsByScan(*user, *shipped);
    }
    if (!qz::SaveDatabase(*user, kOutputPath)) state.SkipWithError("save failed");
    state.counters["merged"] = double(user->Records().size());
    qz::DiscardDatabase(std::move(user));
  }
}
BENCHMARK_TEMPLATE(LoadMergeSave, true)->Name("LoadMergeSave/lookup")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(LoadMergeSave, false)->Name("LoadMergeSave/scan")->Unit(benchmark::kMillisecond);

// The merge step alone, on documents loaded outside the timing.
template <bool indexed>
void MergeStep(benchmark::State& state) {
  PrepareInputs();
  for (auto _ : state) {
    state.PauseTiming();
    auto user = qz::LoadDatabase<qz::CInductorDoc>(kInstalledPath);
    auto shipped = qz::LoadDatabase<qz::CInductorDoc>(kShippedPath);
    state.ResumeTiming();
    if constexpr (indexed) {
      qz::MergeShippedRecords(*user, *shipped);
    } else {
      qz::MergeShippedRecordsByScan(*user, *shipped);
    }
    state.PauseTiming();
    qz::DiscardDatabase(std::move(user));
    state.ResumeTiming();
  }
}
BENCHMARK_TEMPLATE(MergeStep, true)->Name("MergeShippedRecords/lookup")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(MergeStep, false)->Name("MergeShippedRecords/scan")->Unit(benchmark::kMillisecond);

}  // namespace
