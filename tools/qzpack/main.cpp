// qzpack: packs a product tree into the installer's payload catalogue.
#include <cstdio>
#include <cstring>
#include <string>

#include "packer.h"

namespace {

int Usage(int status) {
  std::fprintf(status ? stderr : stdout,
               "usage: qzpack list DIR\n"
               "       qzpack generate DIR OUTDIR\n"
               "\n"
               "list      prints the catalogue of the product tree DIR in walk order:\n"
               "          path, size, compressedSize and readOnly separated by tabs,\n"
               "          then a line of totals.\n"
               "generate  writes the sources that compile the catalogue of DIR into the\n"
               "          installer (payload_catalogue.cpp, payload_data.S, payload_data.bin)\n"
               "          into OUTDIR.\n");
  return status;
}

int List(const char* dir) {
  auto entries = qzpack::PackTree(dir);
  unsigned long long installed = 0, stored = 0, members = 0;
  for (const auto& e : entries) {
    std::printf("%s\t%u\t%u\t%u\n", e.path.c_str(), e.size, e.compressedSize, e.readOnly);
    installed += e.size;
    stored += e.stored.size();
    members += e.compressedSize != 0;
  }
  std::printf("total\t%zu files\t%llu bytes installed\t%llu bytes stored\t%llu gzip members\n", entries.size(),
              installed, stored, members);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) return Usage(0);
  try {
    if (argc == 3 && !std::strcmp(argv[1], "list")) return List(argv[2]);
    if (argc == 4 && !std::strcmp(argv[1], "generate")) {
      qzpack::WriteGeneratedSources(qzpack::PackTree(argv[2]), argv[3]);
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qzpack: %s\n", e.what());
    return 1;
  }
  return Usage(2);
}
