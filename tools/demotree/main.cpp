// qzdemotree: writes the demo product tree (or, with --full-scale, the
// full-scale tree of the benchmarks) into a folder; with --user-databases,
// the eight component databases as a user's own would be, for update runs.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "demo_tree.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: qzdemotree OUTDIR\n"
               "       qzdemotree --full-scale OUTDIR\n"
               "       qzdemotree --user-databases CMPDIR COUNT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 2 && argv[1][0] != '-') {
      demotree::WriteDemoTree(argv[1]);
    } else if (argc == 3 && !std::strcmp(argv[1], "--full-scale")) {
      demotree::WriteFullScaleTree(argv[2]);
    } else if (argc == 4 && !std::strcmp(argv[1], "--user-databases")) {
      int count = std::atoi(argv[3]);
      if (count <= 0) return Usage();
      // Another seed than the product's: the names overlap only in part.
      demotree::Random r(4711);
      demotree::WriteModelLibraries(argv[2], r, count);
      demotree::WriteArchiveDatabases(argv[2], r, count);
    } else {
      return Usage();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qzdemotree: %s\n", e.what());
    return 1;
  }
  return 0;
}
