// The archive reader alone, on any bytes: every entry is read to the first
// failure; what was read is written again and must read back the same way.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "archive/archive.h"

namespace {

constexpr size_t kMaxInput = 1 << 16;

std::vector<std::unique_ptr<win::CObject>> ReadEntries(std::string_view bytes, bool* failed) {
  qz::MemorySource source(bytes);
  qz::CArchive ar(source);
  std::vector<std::unique_ptr<win::CObject>> objects;
  const uint32_t count = ar.ReadCount();
  if (ar.CanHold(count, 2)) {
    for (uint32_t i = 0; i < count; ++i) {
      bool isNew = false;
      win::CObject* object = ar.ReadObject(&isNew);
      if (ar.Failed()) break;
      if (object && isNew) objects.emplace_back(object);
    }
  }
  *failed = ar.Failed();
  return objects;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  bool failed = false;
  auto objects = ReadEntries(std::string_view(reinterpret_cast<const char*>(data), size), &failed);

  qz::MemorySink sink;
  qz::CArchive writer(sink);
  writer.WriteCount(uint32_t(objects.size()));
  for (auto& o : objects) writer.WriteObject(o.get());
  if (!writer.Flush()) __builtin_trap();
  bool rereadFailed = false;
  auto again = ReadEntries(sink.Bytes(), &rereadFailed);
  if (rereadFailed || again.size() != objects.size()) __builtin_trap();
  for (size_t i = 0; i < objects.size(); ++i)
    if (again[i]->GetRuntimeClass() != objects[i]->GetRuntimeClass()) __builtin_trap();
  return 0;
}
