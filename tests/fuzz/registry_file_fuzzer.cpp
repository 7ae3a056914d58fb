// The registry file parser on any text: a file it accepts is written again
// and must parse to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/host/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  win::registry::ParseError error;
  auto tree = win::registry::ParseRegistryFile(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!tree) return 0;
  std::string text = win::registry::FormatRegistryFile(*tree);
  auto again = win::registry::ParseRegistryFile(text, &error);
  if (!again || win::registry::FormatRegistryFile(*again) != text) std::abort();
  return 0;
}
