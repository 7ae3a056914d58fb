// A stored gzip member of any bytes through the decompression in place.
#include <cstddef>
#include <cstdint>

#include "engine/member_extraction.h"
#include "fuzz_machine.h"
#include "platform/host/file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  qzfuzz::UsePrivateMachine();
  qzfuzz::PutFile(u"C:\\member.gz", std::string_view(reinterpret_cast<const char*>(data), size));
  (void)qz::GunzipInPlace(u"C:\\member.gz");
  // Nothing of the decompression may stay behind, whatever the member held.
  for (const std::u16string& name : win::ListDirectory(win::TemporaryDirectory()))
    if (name.starts_with(u"tmp")) __builtin_trap();
  return 0;
}
