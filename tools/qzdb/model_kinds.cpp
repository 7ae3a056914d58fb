// The four model libraries as qzdb kinds.
#include <cstdio>
#include <string>

#include "db_kind.h"
#include "models/model_library.h"
#include "models/model_merge.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"

namespace qzdb {
namespace {

std::string CsvField(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Shown(std::u16string_view file) {
  std::string host = win::HostPath(file);
  return host.empty() ? win::WideToUtf8(file) : host;
}

// The reader takes any text as a library; a file with bytes but not one
// model statement is most likely something else given by mistake.
bool HoldsNothingButBytes(std::u16string_view file, const qz::ModelRecordList& list) {
  std::optional<win::FileStatus> status = win::GetFileStatus(file);
  return list.records.empty() && status && status->size > 0;
}

bool DumpLibrary(std::u16string_view file, const DumpOptions& options, qz::ModelKind kind) {
  std::optional<qz::ModelRecordList> list = qz::ReadModelLibrary(file, kind);
  if (!list) {
    std::fprintf(stderr, "qzdb: cannot read the model library %s\n", Shown(file).c_str());
    return false;
  }
  if (HoldsNothingButBytes(file, *list)) {
    std::fprintf(stderr, "qzdb: %s holds no .model statement: not a model library?\n", Shown(file).c_str());
    return false;
  }
  if (options.csv) std::fputs("name,statement\n", stdout);
  for (const auto& record : list->records) {
    std::string name = win::WideToUtf8(record->Name());
    std::string text = win::WideToUtf8(record->Text());
    if (options.csv)
      std::printf("%s,%s\n", CsvField(name).c_str(), CsvField(text).c_str());
    else
      std::printf("%s\t%s\n", name.c_str(), text.c_str());
  }
  return std::fflush(stdout) == 0;
}

template <qz::ModelKind kind>
bool Dump(std::u16string_view file, const DumpOptions& options) {
  return DumpLibrary(file, options, kind);
}

// An empty library holds nothing and is one all the same.
template <qz::ModelKind kind>
bool Holds(std::u16string_view file) {
  std::optional<qz::ModelRecordList> list = qz::ReadModelLibrary(file, kind);
  return list && !HoldsNothingButBytes(file, *list);
}

}  // namespace

std::vector<DbKind> ModelKinds() {
  return {
      {"bjt", "bjt", qz::MergeBjtLibrary, Dump<qz::ModelKind::bjt>, "BJT model library", Holds<qz::ModelKind::bjt>,
       false},
      {"mos", "mos", qz::MergeMosfetLibrary, Dump<qz::ModelKind::mosfet>, "MOSFET model library",
       Holds<qz::ModelKind::mosfet>, false},
      {"jft", "jft", qz::MergeJfetLibrary, Dump<qz::ModelKind::jfet>, "JFET model library",
       Holds<qz::ModelKind::jfet>, false},
      {"dio", "dio", qz::MergeDiodeLibrary, Dump<qz::ModelKind::diode>, "diode model library",
       Holds<qz::ModelKind::diode>, false},
  };
}

}  // namespace qzdb
