// The four model libraries as qzdb kinds.
#include <cstdio>
#include <string>

#include "db_kind.h"
#include "models/model_library.h"
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

bool DumpLibrary(std::u16string_view file, const DumpOptions& options, qz::ModelKind kind) {
  std::optional<qz::ModelRecordList> list = qz::ReadModelLibrary(file, kind);
  if (!list) {
    std::fprintf(stderr, "qzdb: cannot read the model library %s\n", Shown(file).c_str());
    return false;
  }
  if (!qz::LooksLikeModelLibrary(file, kind)) {
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

}  // namespace

DumpFunction ModelDump(std::u16string_view kindName) {
  if (kindName == u"bjt") return Dump<qz::ModelKind::bjt>;
  if (kindName == u"mos") return Dump<qz::ModelKind::mosfet>;
  if (kindName == u"jft") return Dump<qz::ModelKind::jfet>;
  if (kindName == u"dio") return Dump<qz::ModelKind::diode>;
  return nullptr;
}

}  // namespace qzdb
