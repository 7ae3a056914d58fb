// LoadDatabase of one database kind on any file: a loaded database must
// save and load again with as many records, and from then on to records
// that compare equal. (The first save may still change a text: an 8-bit
// byte such as 0x80 reads through the code page as U+20AC, and a UTF-16
// string whose units are all below 0x100 is written as 8-bit text.)
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/database_file.h"
#include "platform/host/machine.h"
#include "platform/win/message_box.h"
#include "platform/win/runtime.h"
#include "tests/support/temp_dir.h"

namespace {

#if defined(QZ_FUZZ_KIND_capacitor)
using Doc = qz::CCapacitorDoc;
constexpr char16_t kPath[] = u"C:\\fuzz\\standard.cap";
#elif defined(QZ_FUZZ_KIND_inductor)
using Doc = qz::CInductorDoc;
constexpr char16_t kPath[] = u"C:\\fuzz\\standard.ind";
#else
using Doc = qz::CResistorDoc;
constexpr char16_t kPath[] = u"C:\\fuzz\\standard.res";
#endif
constexpr char16_t kSavedPath[] = u"C:\\fuzz\\saved.db";
constexpr size_t kMaxInput = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static const qztest::TempDir folder("qz-fuzz");  // removed at exit
  ::setenv("QZ_SYSTEM_ROOT", folder.Path().c_str(), 1);
  win::ReloadMachine();
  win::SetApplicationTitle(u"fuzz");
  win::SetMessageBoxHandler([](const win::MessageBoxRequest&) { return win::IDOK; });
  std::filesystem::create_directories(win::HostPath(u"C:\\fuzz"));
  return 0;
}

std::unique_ptr<Doc> SavedAndLoaded(Doc& doc) {
  if (!qz::SaveDatabase(doc, kSavedPath)) __builtin_trap();
  return qz::LoadDatabase<Doc>(kSavedPath);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  {
    std::ofstream out(win::HostPath(kPath), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  qz::CheckDatabaseHeader(kPath, Doc::Record::ThisClass()->className);
  std::unique_ptr<Doc> doc = qz::LoadDatabase<Doc>(kPath);
  if (!doc) return 0;
  std::unique_ptr<Doc> once = SavedAndLoaded(*doc);
  if (!once || once->Records().size() != doc->Records().size()) __builtin_trap();
  std::unique_ptr<Doc> twice = SavedAndLoaded(*once);
  if (!twice || twice->Records().size() != once->Records().size()) __builtin_trap();
  for (size_t i = 0; i < once->Records().size(); ++i)
    if (qz::CompareRecords(*once->Records()[i], *twice->Records()[i]) != 0) __builtin_trap();
  qz::DiscardDatabase(std::move(doc));
  qz::DiscardDatabase(std::move(once));
  qz::DiscardDatabase(std::move(twice));
  return 0;
}
