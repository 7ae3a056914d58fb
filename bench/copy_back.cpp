// qz_copy_back: the last of the three writes of a compressed entry, the copy
// of the decompressed temporary file back over the destination, timed two
// ways on the emulated machine of $QZ_SYSTEM_ROOT:
//   kernel   the installer's own copy (CopyFileBytes), which lets the kernel
//            copy between the two files;
//   buffer   the same opens, with the bytes read into and written from a
//            64 KiB buffer, as a copy without the kernel's help does.
//
//   qz_copy_back TREE RUNS < listing
// The listing is `qzpack list TREE`; each of its compressed entries is
// copied from its file in TREE (the temporary file's stand-in, on the same
// file system) over a destination under C:\copy-back that holds the
// member's stored size, as the destination does when the copy starts. The
// destinations are written anew before every timed pass, and the two ways
// take turns going first.
//
// Prints one line per run:  files= bytes= kernel_s= buffer_s=
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/file_helpers.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kBufferBlock = 64 * 1024;

struct Copy {
  std::u16string source;
  std::u16string destination;
  uint64_t size = 0;
  uint64_t storedSize = 0;
};

// A host path as the layer names it: on Z:, the host's own root.
std::u16string OnHost(const std::string& hostPath) {
  std::u16string path = u"Z:";
  for (char16_t c : win::Utf8ToWide(hostPath)) path.push_back(c == u'/' ? u'\\' : c);
  return path;
}

// "path\tsize\tcompressedSize\treadOnly" lines; the compressed entries only.
std::vector<Copy> ReadCompressedEntries(std::istream& listing, const std::string& tree) {
  std::vector<Copy> copies;
  const std::u16string treeOnHost = OnHost(tree);
  std::string line;
  while (std::getline(listing, line)) {
    size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1), t3 = line.find('\t', t2 + 1);
    if (t1 == std::string::npos || t2 == std::string::npos || t3 == std::string::npos) continue;
    if (line.compare(0, t1, "total") == 0) continue;
    Copy c;
    c.size = std::strtoull(line.c_str() + t1 + 1, nullptr, 10);
    c.storedSize = std::strtoull(line.c_str() + t2 + 1, nullptr, 10);
    if (c.storedSize == 0) continue;
    std::u16string relative = win::Utf8ToWide(line.substr(0, t1));
    if (relative.rfind(u".\\", 0) == 0) relative.erase(0, 2);
    c.source = treeOnHost + u"\\" + relative;
    c.destination = u"C:\\copy-back\\" + relative;
    copies.push_back(std::move(c));
  }
  return copies;
}

// Not through the worker's OpenForWriting: it waits 500 ms before every
// .dll, and some compressed entries are preview DLLs.
bool WriteDestinations(const std::vector<Copy>& copies) {
  std::vector<char> zeros;
  for (const Copy& c : copies) {
    zeros.resize(c.storedSize);
    win::File out = win::File::Open(c.destination, win::OpenMode::write);
    if (!out) {
      int attempts = 0;
      qz::CreateDirectoryTree(qz::ParentDirectory(c.destination), attempts);
      out = win::File::Open(c.destination, win::OpenMode::write);
    }
    if (!out || out.Write(zeros.data(), zeros.size()) != zeros.size() || !out.Close()) return false;
  }
  return true;
}

bool CopyThroughBuffer(std::u16string_view source, std::u16string_view destination, char* block) {
  win::File in = win::File::Open(source, win::OpenMode::read);
  if (!in) return false;
  win::File out = win::File::Open(destination, win::OpenMode::write);
  if (!out) return false;
  for (;;) {
    size_t n = in.Read(block, kBufferBlock);
    if (n == 0) break;
    if (out.Write(block, n) != n) return false;
  }
  if (in.Error()) return false;
  in.Close();
  return out.Close();
}

// Seconds for one pass over every entry; negative when a copy failed.
double TimePass(const std::vector<Copy>& copies, bool kernel) {
  if (!WriteDestinations(copies)) return -1;
  std::unique_ptr<char[]> block = std::make_unique_for_overwrite<char[]>(kBufferBlock);
  const Clock::time_point start = Clock::now();
  for (const Copy& c : copies) {
    bool copied = kernel ? qz::CopyFileBytes(c.source, c.destination)
                         : CopyThroughBuffer(c.source, c.destination, block.get());
    if (!copied) return -1;
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool SizesMatch(const std::vector<Copy>& copies) {
  for (const Copy& c : copies) {
    win::File f = win::File::Open(c.destination, win::OpenMode::read);
    std::optional<uint64_t> size = f ? f.Size() : std::nullopt;
    if (!size || *size != c.size) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qz_copy_back TREE RUNS < listing\n");
    return 2;
  }
  const std::vector<Copy> copies = ReadCompressedEntries(std::cin, argv[1]);
  const int runs = std::atoi(argv[2]);
  if (copies.empty() || runs <= 0) {
    std::fprintf(stderr, "qz_copy_back: no compressed entries in the listing, or no runs\n");
    return 2;
  }
  uint64_t bytes = 0;
  for (const Copy& c : copies) bytes += c.size;
  for (int run = 0; run < runs; ++run) {
    double seconds[2];  // [0] the buffer, [1] the kernel
    for (int turn = 0; turn < 2; ++turn) {
      const bool kernel = (run + turn) % 2 == 0;
      seconds[kernel] = TimePass(copies, kernel);
      if (seconds[kernel] < 0 || !SizesMatch(copies)) {
        std::fprintf(stderr, "qz_copy_back: a %s copy failed\n", kernel ? "kernel" : "buffer");
        return 1;
      }
    }
    std::printf("files=%zu bytes=%llu kernel_s=%.4f buffer_s=%.4f\n", copies.size(),
                static_cast<unsigned long long>(bytes), seconds[1], seconds[0]);
  }
  return 0;
}
