// The model library reader on any bytes, 8-bit or 16-bit text alike. What it
// reads is written and read again: the statements keep their number, and
// from then on the text is stable. (The first pass may still change a text:
// a "+" line that starts with "=" joins with a space that a single-line
// statement loses when it is read again.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_machine.h"
#include "models/model_library.h"

namespace {

std::optional<qz::ModelRecordList> RoundTrip(const qz::ModelRecordList& list, const char16_t* path) {
  if (!qz::WriteModelLibrary(path, list)) std::abort();
  return qz::ReadModelLibrary(path, qz::ModelKind::bjt);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  qzfuzz::UsePrivateMachine();
  qzfuzz::PutFile(u"C:\\in.bjt", std::string_view(reinterpret_cast<const char*>(data), size));
  auto list = qz::ReadModelLibrary(u"C:\\in.bjt", qz::ModelKind::bjt);
  if (!list) return 0;
  auto once = RoundTrip(*list, u"C:\\once.bjt");
  if (!once || once->records.size() != list->records.size()) std::abort();
  auto twice = RoundTrip(*once, u"C:\\twice.bjt");
  if (!twice || twice->records.size() != once->records.size()) std::abort();
  for (size_t i = 0; i < once->records.size(); ++i)
    if (twice->records[i]->Text() != once->records[i]->Text()) std::abort();
  return 0;
}
