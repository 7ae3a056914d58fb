// qz_merge_sweep: the four model-library merges and the three archive
// merges at growing sizes, each with the indexed lookup and with the plain
// scan that it replaces. For every merge and size it writes two inputs of
// N records each (about half of the shipped records replace user records,
// often spelled in another letter case; a few names repeat), then times
//   merge         the whole release sync as an update runs it (backup,
//                 both reads, the merge, the write), through Merge*();
//   step_indexed  the record merge alone, through the lookup;
//   step_scan     the record merge alone, through the plain scan;
// and checks that the three give byte-identical output files.
//
//   qz_merge_sweep [--sizes 1000,10000,50000] [--runs 5] [--scan-runs-above 10000:1] [--scan-max N]
//
// Prints tab-separated lines: merge, records per side, what, runs, median,
// minimum and maximum in milliseconds; and for each merge and size a line
// "identical" with 1 or 0. Exits with 1 when any output differs.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "archive/archive_merge.h"
#include "archive/database_file.h"
#include "models/model_library.h"
#include "models/model_merge.h"
#include "models/model_record_merge.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "platform/win/message_box.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::vector<int> sizes{1000, 10000, 50000};
  int runs = 5;
  int scanRunsAboveSize = 10000;  // sizes above this get scanRunsLarge runs of the scan
  int scanRunsLarge = 1;
  int scanMax = 1 << 30;  // no scan above this size
};

void PrintRow(const char* merge, int n, const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const size_t k = ms.size();
  const double median = k % 2 ? ms[k / 2] : (ms[k / 2 - 1] + ms[k / 2]) / 2;
  std::printf("%s\t%d\t%s\t%zu\t%.3f\t%.3f\t%.3f\n", merge, n, what, k, median, ms.front(), ms.back());
  std::fflush(stdout);
}

double Milliseconds(const std::function<void()>& work) {
  Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A deterministic source, so that every run of the suite merges the same inputs.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return state_ >> 33;
  }
  uint64_t Below(uint64_t n) { return Next() % n; }

 private:
  uint64_t state_;
};

void Fail(const std::string& what) {
  std::fprintf(stderr, "qz_merge_sweep: %s\n", what.c_str());
  std::exit(2);
}

void PutFile(std::u16string_view path, const std::string& bytes) {
  win::File file = win::File::Open(path, win::OpenMode::write);
  if (!file || file.Write(bytes.data(), bytes.size()) != bytes.size() || !file.Close())
    Fail("cannot write " + win::WideToUtf8(path));
}

std::string GetFile(std::u16string_view path) {
  win::File file = win::File::Open(path, win::OpenMode::read);
  if (!file) Fail("cannot read " + win::WideToUtf8(path));
  std::string bytes, block(65536, '\0');
  while (size_t n = file.Read(block.data(), block.size())) bytes.append(block, 0, n);
  return bytes;
}

constexpr char16_t kInstalled[] = u"C:\\sweep\\installed.db";
constexpr char16_t kShipped[] = u"C:\\sweep\\shipped.db";
constexpr char16_t kByLookup[] = u"C:\\sweep\\lookup.db";
constexpr char16_t kByScan[] = u"C:\\sweep\\scan.db";

// One merge kind: how to write its inputs, run its release sync, and run
// its record merge by either method into a file.
struct MergeKind {
  const char* name;
  std::function<void(int n)> writeInputs;
  std::function<bool()> releaseSync;  // over kInstalled, as an update does
  std::function<double(bool indexed, std::u16string_view output)> timedStep;  // ms of the merge step
};

// ---- Model libraries ------------------------------------------------------

struct ModelFlavour {
  qz::ModelKind kind;
  const char* prefix;
  const char* types[2];
  const char* params[4];
};

std::string ModelName(const ModelFlavour& f, int n, Random& random) {
  std::string name = std::string(f.prefix) + std::to_string(100000 + n) + "ab";
  for (char& c : name)
    if (c >= 'a' && c <= 'z' && random.Below(2)) c = char(c - 32);
    else if (c >= 'A' && c <= 'Z' && random.Below(4) == 0) c = char(c + 32);
  return name;
}

// A library as shipped: comments, blank lines and statements continued on "+" lines.
std::string ModelLibraryText(const ModelFlavour& f, int count, int firstName, Random& random, const char* maker) {
  std::string text = "* Quenda Zorvel standard library\r\n*\r\n";
  for (int i = 0; i < count; ++i) {
    int n = firstName + (random.Below(50) == 0 ? int(random.Below(uint64_t(count))) : i);  // about 2% repeats
    text += ".model " + ModelName(f, n, random) + " " + f.types[i % 2] + "(" + f.params[0] + "=" +
            std::to_string(random.Below(900) + 100) + "f " + f.params[1] + "=" + std::to_string(random.Below(400) + 50) +
            "\r\n+ " + f.params[2] + "=" + std::to_string(random.Below(900)) + "m " + f.params[3] + "=" +
            std::to_string(random.Below(90)) + " mfg=" + maker + ")\r\n";
    if (i % 40 == 0) text += "* checked against the data sheet\r\n\r\n";
  }
  return text;
}

qz::ModelRecordList ReadModels(std::u16string_view path, qz::ModelKind kind) {
  std::optional<qz::ModelRecordList> list = qz::ReadModelLibrary(path, kind);
  if (!list) Fail("cannot read the library " + win::WideToUtf8(path));
  return std::move(*list);
}

MergeKind ModelMerge(const char* name, ModelFlavour flavour, bool (*sync)(std::u16string_view, std::u16string_view,
                                                                           std::u16string_view)) {
  MergeKind m;
  m.name = name;
  m.writeInputs = [flavour](int n) {
    Random random(uint64_t(n) * 31 + uint64_t(flavour.kind));
    PutFile(kInstalled, ModelLibraryText(flavour, n, 0, random, "User"));
    PutFile(kShipped, ModelLibraryText(flavour, n, n / 2, random, "Vossdyne"));
  };
  m.releaseSync = [sync] { return sync(kInstalled, kShipped, kInstalled); };
  m.timedStep = [flavour](bool indexed, std::u16string_view output) {
    qz::ModelRecordList merged = ReadModels(kInstalled, flavour.kind);
    qz::ModelRecordList shipped = ReadModels(kShipped, flavour.kind);
    double ms = Milliseconds([&] {
      if (indexed)
        qz::MergeModelRecords(merged, shipped);
      else
        qz::MergeModelRecordsByScan(merged, shipped);
    });
    if (!qz::WriteModelLibrary(output, merged)) Fail("cannot write the merged library");
    return ms;
  };
  return m;
}

// ---- Archive databases ----------------------------------------------------

std::u16string Wide(const std::string& s) { return win::Utf8ToWide(s); }

// Spells some ASCII letters of a shipped text in the other case, as users type them.
std::u16string Respelled(std::u16string text, Random& random) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z' && random.Below(3) == 0) c = char16_t(c - 32);
    else if (c >= u'A' && c <= u'Z' && random.Below(3) == 0) c = char16_t(c + 32);
  return text;
}

const char* const kMakers[] = {"Kessler Ceramics", "Orvane", "Taliso Components", "Mertz Magnetics"};

std::u16string Maker(int part) {
  return part % 5 == 0 ? std::u16string(u"W\u00FCrth Elektronik") : Wide(kMakers[part % 4]);
}

std::u16string PartNumber(int part) { return Wide("PX" + std::to_string(700000 + part) + "-r"); }

void Fill(qz::CCapacitorRec& r, Random& random) {
  r.type = u"X7R";
  r.capacitance = float(1 + random.Below(1000)) * 1e-9f;
  r.voltageRating = float(6 + random.Below(100));
  r.seriesResistance = float(random.Below(500)) / 1000.0f;
}
void Fill(qz::CInductorRec& r, Random& random) {
  r.inductance = float(1 + random.Below(1000)) * 1e-7f;
  r.currentRating = float(1 + random.Below(100)) / 10.0f;
  r.seriesResistance = float(1 + random.Below(500)) / 1000.0f;
}
void Fill(qz::CResistorRec& r, Random& random) {
  static const float tolerances[] = {0.01f, 0.05f, 0.001f};
  r.resistance = float(10 + random.Below(200)) * float(1 + random.Below(6) * 10);
  r.powerRating = float(1 + random.Below(4)) / 8.0f;
  r.tolerance = tolerances[random.Below(3)];
}

template <class Doc>
using RecOf = typename Doc::Record;

// A record of a part; for resistors every third part is anonymous (values
// only), which matches by its values.
template <class Doc>
std::unique_ptr<RecOf<Doc>> Record(int part, Random& random, bool respell) {
  auto r = std::make_unique<RecOf<Doc>>();
  Fill(*r, random);
  if constexpr (std::is_same_v<Doc, qz::CResistorDoc>) {
    if (part % 3 == 0) return r;
  }
  r->manufacturer = respell ? Respelled(Maker(part), random) : Maker(part);
  r->partNumber = respell ? Respelled(PartNumber(part), random) : PartNumber(part);
  return r;
}

template <class Doc>
void WriteDatabases(int n, uint64_t seed) {
  Random random(uint64_t(n) * 131 + seed);
  Doc shipped, user;
  for (int i = 0; i < n; ++i) {
    const int part = random.Below(50) == 0 ? int(random.Below(uint64_t(n))) : i;  // a few repeats
    shipped.Records().push_back(Record<Doc>(part, random, false));
  }
  for (int i = 0; i < n; ++i) {
    if (i % 2 == 0) {
      user.Records().push_back(Record<Doc>(int(random.Below(uint64_t(n))), random, true));  // an older shipped part
    } else {
      auto own = Record<Doc>(n + i, random, false);
      if (!own->partNumber.empty()) own->manufacturer = u"My Own Parts";
      user.Records().push_back(std::move(own));
    }
  }
  if (!qz::SaveDatabase(shipped, kShipped) || !qz::SaveDatabase(user, kInstalled)) Fail("cannot write the databases");
}

template <class Doc>
std::unique_ptr<Doc> Load(std::u16string_view path) {
  std::unique_ptr<Doc> doc = qz::LoadDatabase<Doc>(path);
  if (!doc) Fail("cannot load " + win::WideToUtf8(path));
  return doc;
}

template <class Doc>
MergeKind ArchiveMerge(const char* name, uint64_t seed,
                       bool (*sync)(std::u16string_view, std::u16string_view, std::u16string_view)) {
  MergeKind m;
  m.name = name;
  m.writeInputs = [seed](int n) { WriteDatabases<Doc>(n, seed); };
  m.releaseSync = [sync] { return sync(kInstalled, kShipped, kInstalled); };
  m.timedStep = [](bool indexed, std::u16string_view output) {
    std::unique_ptr<Doc> user = Load<Doc>(kInstalled);
    std::unique_ptr<Doc> shipped = Load<Doc>(kShipped);
    double ms = Milliseconds([&] {
      if (indexed)
        qz::MergeShippedRecords(*user, *shipped);
      else
        qz::MergeShippedRecordsByScan(*user, *shipped);
    });
    if (!qz::SaveDatabase(*user, output)) Fail("cannot save the merged database");
    qz::DiscardDatabase(std::move(user));
    return ms;
  };
  return m;
}

std::vector<MergeKind> AllMerges() {
  return {
      ModelMerge("MergeBjtLibrary", {qz::ModelKind::bjt, "Q", {"NPN", "PNP"}, {"IS", "BF", "IKF", "VAF"}},
                 qz::MergeBjtLibrary),
      ModelMerge("MergeMosfetLibrary", {qz::ModelKind::mosfet, "IRF", {"VDMOS", "VDMOS"}, {"Rg", "Vto", "Rd", "Kp"}},
                 qz::MergeMosfetLibrary),
      ModelMerge("MergeJfetLibrary", {qz::ModelKind::jfet, "J", {"NJF", "PJF"}, {"Beta", "Rd", "Rs", "Vto"}},
                 qz::MergeJfetLibrary),
      ModelMerge("MergeDiodeLibrary", {qz::ModelKind::diode, "D1N", {"D", "D"}, {"Is", "Rs", "Cjo", "N"}},
                 qz::MergeDiodeLibrary),
      ArchiveMerge<qz::CCapacitorDoc>("MergeCapacitorDatabase", 1, qz::MergeCapacitorDatabase),
      ArchiveMerge<qz::CInductorDoc>("MergeInductorDatabase", 2, qz::MergeInductorDatabase),
      ArchiveMerge<qz::CResistorDoc>("MergeResistorDatabase", 3, qz::MergeResistorDatabase),
  };
}

// ---- The sweep ------------------------------------------------------------

bool Sweep(const MergeKind& m, int n, const Options& o) {
  m.writeInputs(n);
  const std::string installed = GetFile(kInstalled);
  std::vector<double> whole, lookup, scan;
  for (int run = 0; run < o.runs; ++run) {
    PutFile(kInstalled, installed);
    whole.push_back(Milliseconds([&] {
      if (!m.releaseSync()) Fail(std::string(m.name) + " failed");
    }));
  }
  const std::string merged = GetFile(kInstalled);
  PutFile(kInstalled, installed);
  for (int run = 0; run < o.runs; ++run) lookup.push_back(m.timedStep(true, kByLookup));
  const int scanRuns = n > o.scanMax ? 0 : n > o.scanRunsAboveSize ? o.scanRunsLarge : o.runs;
  for (int run = 0; run < scanRuns; ++run) scan.push_back(m.timedStep(false, kByScan));

  PrintRow(m.name, n, "merge", whole);
  PrintRow(m.name, n, "step_indexed", lookup);
  if (!scan.empty()) PrintRow(m.name, n, "step_scan", scan);
  bool same = merged == GetFile(kByLookup) && (scan.empty() || merged == GetFile(kByScan));
  std::printf("%s\t%d\tidentical\t%d\t%zu\t%zu\t%d\n", m.name, n, same ? 1 : 0, merged.size(), installed.size(),
              scan.empty() ? 0 : 1);
  std::fflush(stdout);
  return same;
}

std::vector<int> ParseSizes(const char* text) {
  std::vector<int> sizes;
  for (const char* p = text; *p;) {
    char* end = nullptr;
    long n = std::strtol(p, &end, 10);
    if (end == p || n <= 0) Fail(std::string("bad size list: ") + text);
    sizes.push_back(int(n));
    p = *end == ',' ? end + 1 : end;
  }
  return sizes;
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    const char* value = argv[i + 1];
    if (flag == "--sizes") {
      o.sizes = ParseSizes(value);
    } else if (flag == "--runs") {
      o.runs = std::max(1, std::atoi(value));
    } else if (flag == "--scan-runs-above") {
      if (std::sscanf(value, "%d:%d", &o.scanRunsAboveSize, &o.scanRunsLarge) != 2 || o.scanRunsLarge < 1)
        Fail(std::string("bad --scan-runs-above: ") + value);
    } else if (flag == "--scan-max") {
      o.scanMax = std::atoi(value);
    } else {
      Fail("unknown option " + flag);
    }
  }
  if (argc % 2 == 0) Fail("an option lacks its value");
  return o;
}

// A machine of its own below the temporary directory, removed at the end.
std::string UseSweepMachine() {
  std::string root = (std::filesystem::temp_directory_path() / "qz-sweep-XXXXXX").string();
  if (!::mkdtemp(root.data())) Fail("cannot make a temporary machine");
  std::filesystem::create_directories(root + "/drive_c/sweep");
  ::setenv("QZ_SYSTEM_ROOT", root.c_str(), 1);
  win::ReloadMachine();
  // A failure the merges would show in a box goes to standard error.
  win::SetMessageBoxHandler([](const win::MessageBoxRequest& r) {
    std::fprintf(stderr, "message: %s\n", win::WideToUtf8(r.text).c_str());
    return win::IDOK;
  });
  return root;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  const std::string root = UseSweepMachine();
  bool allSame = true;
  for (const MergeKind& m : AllMerges())
    for (int n : options.sizes) allSame = Sweep(m, n, options) && allSame;
  std::filesystem::remove_all(root);
  return allSame ? 0 : 1;
}
