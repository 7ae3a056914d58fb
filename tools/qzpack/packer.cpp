#include "packer.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace qzpack {
namespace fs = std::filesystem;

namespace {

char FoldLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

bool FoldedEqual(const std::string& a, const std::string& b) { return !PathLess(a, b) && !PathLess(b, a); }

std::vector<unsigned char> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw PackError("cannot read " + file.string());
  std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw PackError("cannot read " + file.string());
  return data;
}

std::string CataloguePath(const fs::path& relative) {
  std::string path = ".";
  for (const fs::path& part : relative) path += "\\" + part.string();
  return path;
}

void CheckPath(const std::string& path, const fs::path& file) {
  for (unsigned char c : path)
    if (c < 0x20 || c > 0x7E) throw PackError("path is not printable ASCII: " + file.string());
  for (char c : std::string("<>:\"|?*"))
    if (path.find(c) != std::string::npos) throw PackError("path holds a character Windows forbids: " + file.string());
  if (path.size() > kMaxPathLength)
    throw PackError("path longer than " + std::to_string(kMaxPathLength) + " characters: " + file.string());
}

bool HasNoWritePermission(const fs::path& file) {
  struct stat st;
  return ::stat(file.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

void PutLe32(std::vector<unsigned char>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((unsigned char)(v >> (8 * i)));
}

// The generated files belong together: each new one is written beside its
// old one first, and only when all are written do they replace the old ones.
class GeneratedFiles {
 public:
  ~GeneratedFiles() {
    std::error_code ec;
    for (const auto& [file, partial] : staged_) fs::remove(partial, ec);
  }

  void Stage(const fs::path& file, const std::string& contents) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(file, ec)) && !fs::is_regular_file(file, ec))
      throw PackError("not a regular file: " + file.string());
    std::ifstream old(file, std::ios::binary);
    if (old) {
      std::string existing((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
      if (existing == contents) return;
    }
    fs::path partial = file;
    partial += ".partial";
    staged_.emplace_back(file, partial);
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), std::streamsize(contents.size()));
    out.close();
    if (!out) throw PackError("cannot write " + partial.string());
  }

  void Commit() {
    for (const auto& [file, partial] : staged_) fs::rename(partial, file);
    staged_.clear();
  }

 private:
  std::vector<std::pair<fs::path, fs::path>> staged_;
};

}  // namespace

bool PathLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return (unsigned char)FoldLower(x) < (unsigned char)FoldLower(y);
  });
}

std::vector<unsigned char> GzipMember(const std::vector<unsigned char>& data) {
  std::vector<unsigned char> out = {0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0B};
  z_stream zs{};
  if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    throw PackError("deflateInit2 failed");
  uLong bound = deflateBound(&zs, uLong(data.size()));
  size_t header = out.size();
  out.resize(header + bound);
  zs.next_in = const_cast<Bytef*>(data.data());
  zs.avail_in = uInt(data.size());
  zs.next_out = out.data() + header;
  zs.avail_out = uInt(bound);
  int rc = deflate(&zs, Z_FINISH);
  size_t produced = zs.total_out;
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) throw PackError("deflate failed");
  out.resize(header + produced);
  PutLe32(out, uint32_t(crc32(0L, data.data(), uInt(data.size()))));
  PutLe32(out, uint32_t(data.size()));
  return out;
}

void ChooseStoredForm(PackedEntry& entry, std::vector<unsigned char> content) {
  entry.size = uint32_t(content.size());
  entry.compressedSize = 0;
  if (content.size() > kPlainLimit) {
    std::vector<unsigned char> member = GzipMember(content);
    if (member.size() < content.size()) {
      entry.compressedSize = uint32_t(member.size());
      entry.stored = std::move(member);
    }
  }
  if (entry.compressedSize == 0) entry.stored = std::move(content);
  entry.checkValue = uint32_t(adler32(adler32(0L, nullptr, 0), entry.stored.data(), uInt(entry.stored.size())));
}

std::vector<PackedEntry> PackTree(const fs::path& root) {
  std::error_code ec;
  if (!fs::is_directory(root, ec)) throw PackError("not a directory: " + root.string());
  std::vector<PackedEntry> entries;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const fs::directory_entry& item = *it;
    if (item.is_directory()) {
      // The walk does not enter a linked folder: its files would be missing.
      if (item.is_symlink()) throw PackError("link to a folder, whose files would be left out: " + item.path().string());
      continue;
    }
    if (!item.is_regular_file()) throw PackError("not a regular file: " + item.path().string());
    PackedEntry e;
    e.source = item.path();
    e.path = CataloguePath(fs::relative(item.path(), root));
    CheckPath(e.path, item.path());
    uintmax_t size = item.file_size();
    if (size == 0) throw PackError("empty file: " + item.path().string());
    if (size >= 0xFFFFFFFFu) throw PackError("file of 4 GiB or more: " + item.path().string());
    e.readOnly = HasNoWritePermission(item.path()) ? 1 : 0;
    entries.push_back(std::move(e));
  }
  if (ec) throw PackError("cannot list " + root.string() + ": " + ec.message());
  if (entries.empty()) throw PackError("no files in " + root.string());
  std::sort(entries.begin(), entries.end(), [](const PackedEntry& a, const PackedEntry& b) { return PathLess(a.path, b.path); });
  for (size_t i = 1; i < entries.size(); ++i)
    if (FoldedEqual(entries[i - 1].path, entries[i].path))
      throw PackError("two files differ only in letter case: " + entries[i - 1].source.string() + " and " +
                      entries[i].source.string());
  uint64_t total = 0;
  for (PackedEntry& e : entries) {
    ChooseStoredForm(e, ReadFile(e.source));
    total += e.stored.size();
    if (total >= 0xFFFFFFFFu) throw PackError("stored payload of 4 GiB or more at " + e.source.string());
  }
  return entries;
}

void WriteGeneratedSources(const std::vector<PackedEntry>& entries, const fs::path& outDir) {
  fs::create_directories(outDir);
  std::string blob;
  std::ostringstream table;
  table << "// Generated by qzpack: the payload catalogue. Do not edit.\n"
           "#include \"payload/embedded_catalogue.h\"\n\n"
           "extern \"C\" const unsigned char qz_payload_data[];\n\n"
           "namespace qz {\nnamespace {\n\n"
           "const PayloadEntry kEntries[] = {\n";
  for (const PackedEntry& e : entries) {
    std::string escaped;
    for (char c : e.path) {
      if (c == '\\' || c == '"') escaped += '\\';
      escaped += c;
    }
    table << "    {\"" << escaped << "\", " << e.readOnly << ", " << e.size << "u, " << e.compressedSize << "u, "
          << e.checkValue << "u, qz_payload_data + " << blob.size() << "},\n";
    blob.append(reinterpret_cast<const char*>(e.stored.data()), e.stored.size());
  }
  table << "};\n\nconst PayloadEntry* const kIndex[] = {\n";
  for (size_t i = 0; i < entries.size(); ++i) table << "    &kEntries[" << i << "],\n";
  table << "};\n\n}  // namespace\n\n"
           "PayloadCatalogue EmbeddedCatalogue() { return {kIndex, "
        << entries.size() << "u}; }\n\n}  // namespace qz\n";
  GeneratedFiles files;
  files.Stage(outDir / "payload_data.bin", blob);
  fs::path absoluteBlob = fs::absolute(outDir / "payload_data.bin");
  std::string assembly =
      "/* Generated by qzpack: the stored bytes of the payload. */\n"
      "  .section .rodata\n"
      "  .balign 16\n"
      "  .globl qz_payload_data\n"
      "  .type qz_payload_data, @object\n"
      "qz_payload_data:\n"
      "  .incbin \"" + absoluteBlob.string() + "\"\n"
      "  .byte 0\n"
      "  .size qz_payload_data, . - qz_payload_data\n"
      "  .section .note.GNU-stack,\"\",@progbits\n";
  files.Stage(outDir / "payload_data.S", assembly);
  files.Stage(outDir / "payload_catalogue.cpp", table.str());
  files.Commit();
}

}  // namespace qzpack
