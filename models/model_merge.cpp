#include "models/model_merge.h"

#include "base/backup_before_sync.h"
#include "base/file_helpers.h"
#include "base/out_of_memory.h"
#include "models/model_library.h"
#include "models/model_record_merge.h"

namespace qz {
namespace {

bool Merge(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed, ModelKind kind) {
  if (output.empty() || shipped.empty() || installed.empty()) return false;
  if (!FileExists(installed)) return false;
  BackupBeforeSync(installed);
  std::optional<ModelRecordList> merged = ReadModelLibrary(installed, kind);
  if (!merged) return false;
  std::optional<ModelRecordList> shippedList = ReadModelLibrary(shipped, kind);
  if (!shippedList) return false;
  MergeModelRecords(*merged, *shippedList);
  return WriteModelLibrary(output, *merged);
}

}  // namespace

bool MergeModelLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed,
                       ModelKind kind) {
  return ExitIfOutOfMemory([&] { return Merge(output, shipped, installed, kind); });
}

bool MergeBjtLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed) {
  return MergeModelLibrary(output, shipped, installed, ModelKind::bjt);
}

bool MergeMosfetLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed) {
  return MergeModelLibrary(output, shipped, installed, ModelKind::mosfet);
}

bool MergeJfetLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed) {
  return MergeModelLibrary(output, shipped, installed, ModelKind::jfet);
}

bool MergeDiodeLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed) {
  return MergeModelLibrary(output, shipped, installed, ModelKind::diode);
}

}  // namespace qz
