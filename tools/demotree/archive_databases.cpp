#include <string>

#include "demo_tree.h"

namespace demotree {

// Placeholder databases until the archive format writer exists.
void WriteArchiveDatabases(const std::filesystem::path& cmpDir, Random& random, int recordsPerDatabase) {
  for (const char* name : {"standard.cap", "standard.ind", "standard.bead", "standard.res"}) {
    std::string bytes;
    for (int i = 0; i < recordsPerDatabase; ++i) bytes += "record " + std::to_string(random.Between(0, 99)) + "\n";
    WriteFile(cmpDir / name, bytes);
  }
}

}  // namespace demotree
