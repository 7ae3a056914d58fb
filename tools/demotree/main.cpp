// qzdemotree: writes the demo product tree (or, with --full-scale, the
// full-scale tree of the benchmarks) into a folder.
#include <cstdio>
#include <cstring>
#include <exception>

#include "demo_tree.h"

int main(int argc, char** argv) {
  bool full = argc == 3 && !std::strcmp(argv[1], "--full-scale");
  if (argc != 2 && !full) {
    std::fprintf(stderr, "usage: qzdemotree [--full-scale] OUTDIR\n");
    return 2;
  }
  try {
    if (full)
      demotree::WriteFullScaleTree(argv[2]);
    else
      demotree::WriteDemoTree(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qzdemotree: %s\n", e.what());
    return 1;
  }
  return 0;
}
