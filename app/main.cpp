// Lists the embedded catalogue until the install worker exists.
#include <cstdio>

#include "payload/embedded_catalogue.h"

int main() {
  qz::PayloadCatalogue catalogue = qz::EmbeddedCatalogue();
  unsigned long long installed = 0;
  for (uint32_t i = 0; i < catalogue.count; ++i) {
    const qz::PayloadEntry& e = catalogue.At(i);
    std::printf("%s\t%u\t%u\t%u\n", e.path, e.size, e.compressedSize, e.readOnly);
    installed += e.size;
  }
  std::printf("%u files, %llu bytes\n", catalogue.count, installed);
  return 0;
}
