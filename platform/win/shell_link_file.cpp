#include "platform/win/shell_link_file.h"

#include <algorithm>
#include <cstring>

#include "platform/base/text.h"

namespace win {
namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint32_t kLinkInfoHeaderSize = 0x24;
constexpr uint32_t kVolumeIdSize = 0x11;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kVolumeSerialNumber = 0x5A0E1D27;
constexpr uint32_t kShowNormal = 1;
constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

enum : uint32_t {
  HasLinkTargetIDList = 0x01,
  HasLinkInfo = 0x02,
  HasName = 0x04,
  HasRelativePath = 0x08,
  HasWorkingDir = 0x10,
  HasArguments = 0x20,
  HasIconLocation = 0x40,
  IsUnicode = 0x80,
};

enum : uint32_t { VolumeIDAndLocalBasePath = 0x1 };

class Writer {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v) {
    U8(uint8_t(v));
    U8(uint8_t(v >> 8));
  }
  void U32(uint32_t v) {
    U16(uint16_t(v));
    U16(uint16_t(v >> 16));
  }
  void U64(uint64_t v) {
    U32(uint32_t(v));
    U32(uint32_t(v >> 32));
  }
  void Raw(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  void Utf16(std::u16string_view text) {
    for (char16_t c : text) U16(c);
  }
  void PatchU32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + size_t(i)] = uint8_t(v >> (8 * i));
  }
  size_t Size() const { return bytes_.size(); }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// The 8-bit form of the path for readers without Unicode: characters
// beyond ISO 8859-1 become '?'; the Unicode form beside it is exact.
std::string EightBit(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(c <= 0xFF ? char(c) : '?');
  return out;
}

void WriteLinkInfo(Writer& w, std::u16string_view target) {
  size_t start = w.Size();
  auto here = [&] { return uint32_t(w.Size() - start); };
  w.U32(0);  // LinkInfoSize, patched below
  w.U32(kLinkInfoHeaderSize);
  w.U32(VolumeIDAndLocalBasePath);
  w.U32(kLinkInfoHeaderSize);  // VolumeIDOffset
  w.U32(0);                    // LocalBasePathOffset
  w.U32(0);                    // CommonNetworkRelativeLinkOffset: none
  w.U32(0);                    // CommonPathSuffixOffset
  w.U32(0);                    // LocalBasePathOffsetUnicode
  w.U32(0);                    // CommonPathSuffixOffsetUnicode
  w.U32(kVolumeIdSize);
  w.U32(kDriveFixed);
  w.U32(kVolumeSerialNumber);
  w.U32(0x10);  // VolumeLabelOffset: the empty label right after
  w.U8(0);
  w.PatchU32(start + 0x10, here());
  std::string path = EightBit(target);
  w.Raw(path.data(), path.size());
  w.U8(0);
  w.PatchU32(start + 0x18, here());
  w.U8(0);
  w.PatchU32(start + 0x1C, here());
  w.Utf16(target);
  w.U16(0);
  w.PatchU32(start + 0x20, here());
  w.U16(0);
  w.PatchU32(start, here());
}

void WriteString(Writer& w, std::u16string_view text) {
  w.U16(uint16_t(text.size()));
  w.Utf16(text);
}

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  bool Has(size_t n) const { return pos_ <= bytes_.size() && bytes_.size() - pos_ >= n; }
  size_t Pos() const { return pos_; }
  bool Seek(size_t pos) {
    if (pos > bytes_.size()) return false;
    pos_ = pos;
    return true;
  }
  bool Skip(size_t n) { return Has(n) && Seek(pos_ + n); }
  bool U16(uint16_t* v) {
    if (!Has(2)) return false;
    *v = uint16_t(bytes_[pos_] | bytes_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t* v) {
    uint16_t lo, hi;
    if (!Has(4) || !U16(&lo) || !U16(&hi)) return false;
    *v = uint32_t(lo) | uint32_t(hi) << 16;
    return true;
  }
  bool U64(uint64_t* v) {
    uint32_t lo, hi;
    if (!Has(8) || !U32(&lo) || !U32(&hi)) return false;
    *v = uint64_t(lo) | uint64_t(hi) << 32;
    return true;
  }
  bool Raw(void* out, size_t n) {
    if (!Has(n)) return false;
    std::memcpy(out, bytes_.data() + pos_, n);
    pos_ += n;
    return true;
  }
  // NUL-terminated text that must end before limit.
  bool TextZ(size_t at, size_t limit, bool unicode, std::u16string* out) {
    out->clear();
    size_t unit = unicode ? 2 : 1;
    for (size_t p = at; p + unit <= limit && p + unit <= bytes_.size(); p += unit) {
      char16_t c = unicode ? char16_t(bytes_[p] | bytes_[p + 1] << 8) : char16_t(bytes_[p]);
      if (c == 0) return true;
      out->push_back(c);
    }
    return false;
  }
  bool CountedText(bool unicode, std::u16string* out) {
    uint16_t count;
    if (!U16(&count) || !Has(size_t(count) * (unicode ? 2 : 1))) return false;
    out->clear();
    for (uint16_t i = 0; i < count; ++i) {
      uint16_t c = bytes_[pos_];
      if (unicode) U16(&c); else ++pos_;
      out->push_back(char16_t(c));
    }
    return true;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
};

bool Fail(std::string* problem, const char* reason) {
  if (problem) *problem = reason;
  return false;
}

bool ReadLinkInfo(Reader& r, ShellLinkData* link, std::string* problem) {
  size_t start = r.Pos();
  uint32_t size, headerSize, flags, volumeOffset, baseOffset, networkOffset, suffixOffset;
  uint32_t baseUnicode = 0, suffixUnicode = 0;
  if (!r.U32(&size) || size < 0x1C || !r.Has(size - 4)) return Fail(problem, "LinkInfo runs past the end of the file");
  if (!r.U32(&headerSize) || !r.U32(&flags) || !r.U32(&volumeOffset) || !r.U32(&baseOffset) ||
      !r.U32(&networkOffset) || !r.U32(&suffixOffset))
    return Fail(problem, "LinkInfo header is cut short");
  if (headerSize >= kLinkInfoHeaderSize && (!r.U32(&baseUnicode) || !r.U32(&suffixUnicode)))
    return Fail(problem, "LinkInfo header is cut short");
  size_t limit = start + size;
  if (flags & VolumeIDAndLocalBasePath) {
    std::u16string base, suffix;
    bool ok = baseUnicode ? r.TextZ(start + baseUnicode, limit, true, &base) : r.TextZ(start + baseOffset, limit, false, &base);
    ok = ok && (suffixUnicode ? r.TextZ(start + suffixUnicode, limit, true, &suffix)
                              : r.TextZ(start + suffixOffset, limit, false, &suffix));
    if (!ok) return Fail(problem, "the LinkInfo base path is not terminated inside LinkInfo");
    link->targetPath = base + suffix;
  }
  return r.Seek(limit) || Fail(problem, "LinkInfo runs past the end of the file");
}

}  // namespace

std::vector<uint8_t> EncodeShellLink(const ShellLinkData& link) {
  uint32_t flags = IsUnicode;
  if (!link.targetPath.empty()) flags |= HasLinkInfo;
  if (!link.description.empty()) flags |= HasName;
  if (!link.workingDirectory.empty()) flags |= HasWorkingDir;
  if (!link.arguments.empty()) flags |= HasArguments;
  Writer w;
  w.U32(kHeaderSize);
  w.Raw(kLinkClsid, sizeof kLinkClsid);
  w.U32(flags);
  w.U32(link.fileAttributes);
  w.U64(0);  // creation time: not known
  w.U64(0);  // access time: not known
  w.U64(link.writeTime);
  w.U32(link.fileSize);
  w.U32(0);  // icon index
  w.U32(kShowNormal);
  w.U16(0);  // hot key
  w.U16(0);
  w.U32(0);
  w.U32(0);
  if (flags & HasLinkInfo) WriteLinkInfo(w, link.targetPath);
  if (flags & HasName) WriteString(w, link.description);
  if (flags & HasWorkingDir) WriteString(w, link.workingDirectory);
  if (flags & HasArguments) WriteString(w, link.arguments);
  w.U32(0);  // terminal block
  return w.Take();
}

std::optional<ShellLinkData> DecodeShellLink(const std::vector<uint8_t>& bytes, std::string* problem) {
  Reader r(bytes);
  ShellLinkData link;
  uint32_t headerSize, flags;
  uint8_t clsid[16];
  if (!r.U32(&headerSize) || headerSize != kHeaderSize || !r.Raw(clsid, sizeof clsid) ||
      std::memcmp(clsid, kLinkClsid, sizeof clsid) != 0) {
    Fail(problem, "not a shell link (header size or class identifier)");
    return std::nullopt;
  }
  if (!r.U32(&flags) || !r.U32(&link.fileAttributes) || !r.Skip(16) || !r.U64(&link.writeTime) ||
      !r.U32(&link.fileSize) || !r.Seek(kHeaderSize)) {
    Fail(problem, "the header is cut short");
    return std::nullopt;
  }
  uint16_t idListSize;
  if ((flags & HasLinkTargetIDList) && (!r.U16(&idListSize) || !r.Skip(idListSize))) {
    Fail(problem, "the item ID list runs past the end of the file");
    return std::nullopt;
  }
  if ((flags & HasLinkInfo) && !ReadLinkInfo(r, &link, problem)) return std::nullopt;
  bool unicode = flags & IsUnicode;
  std::u16string ignored;
  struct Field {
    uint32_t flag;
    std::u16string* text;
  } fields[] = {{HasName, &link.description},
                {HasRelativePath, &ignored},
                {HasWorkingDir, &link.workingDirectory},
                {HasArguments, &link.arguments},
                {HasIconLocation, &ignored}};
  for (const Field& f : fields)
    if ((flags & f.flag) && !r.CountedText(unicode, f.text)) {
      Fail(problem, "a string runs past the end of the file");
      return std::nullopt;
    }
  return link;
}

}  // namespace win
