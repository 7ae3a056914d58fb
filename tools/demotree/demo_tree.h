// Generators of product trees to pack: the small demo product that the
// build embeds by default, and the full-scale tree of the benchmarks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace demotree {

// A small deterministic pseudo-random source (splitmix64).
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // Uniform in [low, high].
  uint64_t Between(uint64_t low, uint64_t high) { return low + Next() % (high - low + 1); }
  double Unit() { return double(Next() >> 11) / double(1ull << 53); }

 private:
  uint64_t state_;
};

void WriteFile(const std::filesystem::path& file, const std::string& contents, bool readOnly = false);

// The eight component databases in lib/cmp of the tree.
void WriteModelLibraries(const std::filesystem::path& cmpDir, Random& random, int modelsPerLibrary);
void WriteArchiveDatabases(const std::filesystem::path& cmpDir, Random& random, int recordsPerDatabase);

// The whole demo product (a few hundred files).
void WriteDemoTree(const std::filesystem::path& root);
// The full-scale tree: 8592 files, 99,317,150 bytes, 4145 compressible files,
// 2742 plain files of at most 1024 bytes and 1705 larger incompressible files.
void WriteFullScaleTree(const std::filesystem::path& root);

}  // namespace demotree
