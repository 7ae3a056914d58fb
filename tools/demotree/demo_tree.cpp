#include "demo_tree.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace demotree {
namespace fs = std::filesystem;

uint64_t Random::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void WriteFile(const fs::path& file, const std::string& contents, bool readOnly) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), std::streamsize(contents.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + file.string());
  if (readOnly) ::chmod(file.c_str(), 0444);
}

namespace {

// Text that compresses about as well as the product's own files.
std::string TextLike(Random& r, size_t size, const std::string& topic) {
  static const char* const words[] = {"wire", "node", "flag", "symbol", "attribute", "window", "pin",
                                      "text", "rectangle", "line", "circle", "model", "value", "spice"};
  std::string s = "* " + topic + "\r\n";
  while (s.size() < size) {
    s += words[r.Between(0, 13)];
    s += ' ';
    s += std::to_string(r.Between(0, 2048));
    s += ' ';
    s += std::to_string(r.Between(0, 2048));
    s += r.Between(0, 3) == 0 ? "\r\n" : " ";
  }
  s.resize(size);
  return s;
}

std::string Incompressible(Random& r, size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; i += 8) {
    uint64_t v = r.Next();
    for (size_t k = 0; k < 8 && i + k < size; ++k) s[i + k] = char(v >> (8 * k));
  }
  return s;
}

// A placeholder program: a recognisable header and compressible filler.
std::string Program(Random& r, const std::string& name, size_t size) {
  std::string s = "MZ placeholder for " + name + " of Quenda Zorvel\r\n";
  return s + TextLike(r, size - s.size(), name);
}

void WriteTopLevel(const fs::path& root, Random& r, size_t programSize) {
  for (const char* dll : {"ASCx64.dll", "ASCx86.dll", "ASYx64.dll", "ASYx86.dll"})
    WriteFile(root / dll, Program(r, dll, programSize / 4));
  for (const char* exe : {"Zorvelx64.exe", "Zorvelx86.exe", "zvrepair.exe", "zvnetconv.exe"})
    WriteFile(root / exe, Program(r, exe, programSize));
  WriteFile(root / "Quenda.chm", TextLike(r, programSize / 2, "help"));
  WriteFile(root / "changelog.txt", TextLike(r, 6000, "changes"));
  WriteFile(root / "license.txt", TextLike(r, 3000, "licence"));
  WriteFile(root / "readme.txt", "Quenda Zorvel\r\nRun Zorvelx64.exe or Zorvelx86.exe.\r\n");
}

}  // namespace

void WriteDemoTree(const fs::path& root) {
  fs::remove_all(root);
  Random r(20261210);
  WriteTopLevel(root, r, 40000);
  WriteModelLibraries(root / "lib" / "cmp", r, 120);
  WriteArchiveDatabases(root / "lib" / "cmp", r, 200);
  for (int i = 0; i < 60; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "sym%02d.asy", i);
    // Six symbols ship read-only.
    WriteFile(root / "lib" / "sym" / name, TextLike(r, r.Between(300, 4000), name), i % 10 == 3);
  }
  for (int i = 0; i < 40; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Part_%02d.sub", i);
    WriteFile(root / "lib" / "sub" / name, TextLike(r, r.Between(500, 9000), name));
  }
  for (int i = 0; i < 10; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "enciphered%02d.sub", i);
    WriteFile(root / "lib" / "sub" / name, Incompressible(r, r.Between(1100, 6000)));
  }
  static const char* const folders[] = {"Educational", "Applications", "Filters", "Power"};
  for (int i = 0; i < 100; ++i) {
    char name[48];
    std::snprintf(name, sizeof name, "example%03d.asc", i);
    WriteFile(root / "examples" / folders[i % 4] / name, TextLike(r, r.Between(200, 12000), name));
  }
}

void WriteFullScaleTree(const fs::path& root) {
  // Files of at most this many bytes are stored plain by the packer.
  constexpr uint64_t kPlainLimit = 1024;
  constexpr int kFiles = 8592, kSmall = 2742, kIncompressible = 1705;
  constexpr uint64_t kInstalled = 99317150;
  fs::remove_all(root);
  Random r(8592);
  WriteTopLevel(root, r, 2000000);
  WriteModelLibraries(root / "lib" / "cmp", r, 3000);
  WriteArchiveDatabases(root / "lib" / "cmp", r, 3000);
  uint64_t written = 0;
  int count = 0, fixedSmall = 0;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) written += e.file_size(), ++count, fixedSmall += e.file_size() <= kPlainLimit;
  // The fixed files above are compressible apart from the few small enough
  // to be stored plain (the readme); the rest fill the statistics.
  const int small = kSmall - fixedSmall;
  const int compressible = kFiles - kSmall - kIncompressible - (count - fixedSmall);
  std::vector<uint64_t> sizes;
  for (int i = 0; i < small; ++i) sizes.push_back(r.Between(180, kPlainLimit));
  for (int i = 0; i < kIncompressible; ++i) sizes.push_back(r.Between(1100, 24000));
  uint64_t fixed = written;
  for (uint64_t s : sizes) fixed += s;
  if (fixed >= kInstalled) throw std::runtime_error("full-scale sizes overshoot");
  // Sizes vary in pairs around the mean so that the total comes out exact.
  const uint64_t remaining = kInstalled - fixed;
  const uint64_t mean = remaining / uint64_t(compressible);
  for (int i = 0; i < compressible; i += 2) {
    uint64_t d = r.Between(0, mean / 2);
    sizes.push_back(mean + d);
    if (i + 1 < compressible) sizes.push_back(mean - d);
  }
  if (compressible % 2) sizes.back() = mean;
  sizes.back() += remaining % uint64_t(compressible);
  for (size_t i = 0; i < sizes.size(); ++i) {
    char name[64];
    const char* dir = i < size_t(small) ? "sym" : i < size_t(small + kIncompressible) ? "sub" : "examples";
    std::snprintf(name, sizeof name, "%s/f%02zu/file%05zu.%s", dir, i % 50, i, i % 3 ? "asc" : "asy");
    fs::path file = (std::string(dir) == "examples" ? root : root / "lib") / name;
    std::string contents = i >= size_t(small) && i < size_t(small + kIncompressible)
                               ? Incompressible(r, sizes[i])
                               : TextLike(r, sizes[i], name);
    WriteFile(file, contents, i < 6);
  }
}

}  // namespace demotree
