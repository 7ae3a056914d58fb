// The four model libraries as qzdb kinds.
#include <cstdio>
#include <string>

#include "db_kind.h"
#include "models/model_library.h"
#include "models/model_merge.h"
#include "platform/machine.h"
#include "platform/text.h"

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

bool DumpLibrary(std::u16string_view file, const DumpOptions& options, qz::ModelKind kind) {
  std::optional<qz::ModelRecordList> list = qz::ReadModelLibrary(file, kind);
  if (!list) {
    std::string host = win::HostPath(file);
    std::fprintf(stderr, "qzdb: cannot read the model library %s\n", (host.empty() ? win::WideToUtf8(file) : host).c_str());
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

}  // namespace

std::vector<DbKind> ModelKinds() {
  return {
      {"bjt", "bjt", qz::MergeBjtLibrary, Dump<qz::ModelKind::bjt>},
      {"mos", "mos", qz::MergeMosfetLibrary, Dump<qz::ModelKind::mosfet>},
      {"jft", "jft", qz::MergeJfetLibrary, Dump<qz::ModelKind::jfet>},
      {"dio", "dio", qz::MergeDiodeLibrary, Dump<qz::ModelKind::diode>},
  };
}

}  // namespace qzdb
