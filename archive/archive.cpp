#include "archive/archive.h"

#include <bit>
#include <cstring>

#include "platform/win/code_page.h"

namespace qz {
namespace {

constexpr uint16_t kNullTag = 0x0000;
constexpr uint16_t kLongTag = 0x7FFF;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag16 = 0x8000;
constexpr uint32_t kClassTag32 = 0x80000000;
constexpr uint32_t kIndexLimit = 0x3FFFFFFE;
constexpr uint16_t kUnicodeMarker = 0xFFFE;
constexpr size_t kMaxClassName = 63;
constexpr uint64_t kMaxStringLength = 0x7FFFFFFF;

bool FitsLatin1(std::u16string_view text) {
  for (char16_t c : text)
    if (c > 0x00FF) return false;
  return true;
}

}  // namespace

const char* ArchiveErrorName(ArchiveError error) {
  switch (error) {
    case ArchiveError::none: return "none";
    case ArchiveError::generic: return "generic";
    case ArchiveError::endOfFile: return "end of file";
    case ArchiveError::badClass: return "bad class";
    case ArchiveError::badSchema: return "bad schema";
    case ArchiveError::badIndex: return "bad index";
  }
  return "unknown";
}

CArchive::CArchive(ArchiveSource& source, const ClassRegistry& classes) : source_(&source), classes_(&classes) {
  loaded_.push_back(Slot{});  // index 0: no object
}

CArchive::CArchive(ArchiveSink& sink) : sink_(&sink) {}

void CArchive::Fail(ArchiveError error) {
  if (!Failed()) failure_.archive = error;
}

// ---- bytes and numbers ------------------------------------------------------

bool CArchive::ReadBytes(void* buffer, size_t size) {
  if (Failed() || !source_) return false;
  if (size > source_->Remaining()) {
    Fail(ArchiveError::endOfFile);
    return false;
  }
  if (source_->Read(buffer, size) == size) return true;
  if (win::FileError e = source_->Error()) {
    failure_.file = e;
  } else {
    Fail(ArchiveError::endOfFile);
  }
  return false;
}

void CArchive::WriteBytes(const void* buffer, size_t size) {
  if (Failed() || !sink_) return;
  if (sink_->Write(buffer, size)) return;
  failure_.file = sink_->Error();
  if (!failure_.file) failure_.file = {win::FileErrorKind::diskFull, 0};
}

uint8_t CArchive::ReadU8() {
  unsigned char b[1] = {};
  return ReadBytes(b, 1) ? b[0] : 0;
}

uint16_t CArchive::ReadU16() {
  unsigned char b[2] = {};
  return ReadBytes(b, 2) ? uint16_t(b[0] | (b[1] << 8)) : 0;
}

uint32_t CArchive::ReadU32() {
  unsigned char b[4] = {};
  if (!ReadBytes(b, 4)) return 0;
  return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

uint64_t CArchive::ReadU64() {
  uint64_t low = ReadU32();
  uint64_t high = ReadU32();
  return low | (high << 32);
}

void CArchive::WriteU8(uint8_t v) { WriteBytes(&v, 1); }

void CArchive::WriteU16(uint16_t v) {
  unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
  WriteBytes(b, 2);
}

void CArchive::WriteU32(uint32_t v) {
  unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  WriteBytes(b, 4);
}

void CArchive::WriteU64(uint64_t v) {
  WriteU32(uint32_t(v));
  WriteU32(uint32_t(v >> 32));
}

float CArchive::ReadFloat() { return std::bit_cast<float>(ReadU32()); }
void CArchive::WriteFloat(float value) { WriteU32(std::bit_cast<uint32_t>(value)); }
uint32_t CArchive::ReadUInt32() { return ReadU32(); }
void CArchive::WriteUInt32(uint32_t value) { WriteU32(value); }

bool CArchive::CanHold(uint64_t count, uint64_t entryBytes) {
  if (Failed()) return false;
  uint64_t remaining = source_ ? source_->Remaining() : 0;
  if (entryBytes == 0 || count <= remaining / entryBytes) return true;
  Fail(ArchiveError::endOfFile);
  return false;
}

bool CArchive::Flush() {
  if (Failed()) return false;
  if (sink_ && !sink_->Flush()) {
    failure_.file = sink_->Error();
    if (!failure_.file) failure_.file = {win::FileErrorKind::diskFull, 0};
  }
  return !Failed();
}

// ---- counts -----------------------------------------------------------------

uint32_t CArchive::ReadCount() {
  uint16_t n = ReadU16();
  return n == 0xFFFF ? ReadU32() : n;
}

void CArchive::WriteCount(uint32_t count) {
  if (count < 0xFFFF) {
    WriteU16(uint16_t(count));
  } else {
    WriteU16(0xFFFF);
    WriteU32(count);
  }
}

// ---- strings ----------------------------------------------------------------

std::u16string CArchive::ReadString() {
  bool wide = false;
  uint64_t length = ReadU8();
  if (length == 0xFF) {
    uint16_t w = ReadU16();
    if (w == kUnicodeMarker) {
      wide = true;
      length = ReadU8();
      // After the marker a 0xFFFE is a plain length: there is no second marker.
      w = length == 0xFF ? ReadU16() : 0;
    }
    if (length == 0xFF) {
      if (w != 0xFFFF) {
        length = w;
      } else if (uint32_t d = ReadU32(); d != 0xFFFFFFFF) {
        length = d;
      } else {
        length = ReadU64();
        if (!Failed() && length > kMaxStringLength) Fail(ArchiveError::generic);
      }
    }
  }
  if (Failed()) return {};
  // The length is checked against what the file still holds before any room
  // is made for the text.
  const uint64_t bytes = wide ? length * 2 : length;
  if (bytes > source_->Remaining()) {
    Fail(ArchiveError::endOfFile);
    return {};
  }
  std::string raw(size_t(bytes), '\0');
  if (!ReadBytes(raw.data(), raw.size())) return {};
  if (!wide) return win::AnsiToWide(raw);
  std::u16string text(size_t(length), u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = char16_t(uint8_t(raw[2 * i]) | (uint8_t(raw[2 * i + 1]) << 8));
  return text;
}

void CArchive::WriteLength(uint64_t n) {
  if (n < 0xFF) {
    WriteU8(uint8_t(n));
    return;
  }
  WriteU8(0xFF);
  if (n < 0xFFFE) {
    WriteU16(uint16_t(n));
    return;
  }
  WriteU16(0xFFFF);
  if (n < 0xFFFFFFFF) {
    WriteU32(uint32_t(n));
    return;
  }
  WriteU32(0xFFFFFFFF);
  WriteU64(n);
}

void CArchive::WriteString(std::u16string_view text) {
  if (FitsLatin1(text)) {
    WriteLength(text.size());
    std::string bytes(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) bytes[i] = char(uint8_t(text[i]));
    WriteBytes(bytes.data(), bytes.size());
    return;
  }
  WriteU8(0xFF);
  WriteU16(kUnicodeMarker);
  WriteLength(text.size());
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = char(uint8_t(text[i]));
    bytes[2 * i + 1] = char(uint8_t(text[i] >> 8));
  }
  WriteBytes(bytes.data(), bytes.size());
}

// ---- objects ----------------------------------------------------------------

bool CArchive::HandOutIndex(Slot slot) {
  if (nextIndex_ >= kIndexLimit) {
    Fail(ArchiveError::badIndex);
    return false;
  }
  loaded_.push_back(slot);
  ++nextIndex_;
  return true;
}

bool CArchive::StoreIndex(const void* key) {
  if (nextIndex_ >= kIndexLimit) {
    Fail(ArchiveError::badIndex);
    return false;
  }
  stored_[key] = nextIndex_++;
  return true;
}

const win::CRuntimeClass* CArchive::ReadClassDescriptor() {
  uint16_t schema = ReadU16();
  uint16_t length = ReadU16();
  if (Failed()) return nullptr;
  if (length > kMaxClassName) {
    Fail(ArchiveError::badClass);
    return nullptr;
  }
  char name[kMaxClassName] = {};
  if (!ReadBytes(name, length)) return nullptr;
  const win::CRuntimeClass* cls = classes_ ? classes_->Find(std::string_view(name, length)) : nullptr;
  if (!cls) {
    Fail(ArchiveError::badClass);
    return nullptr;
  }
  if (cls->schema != schema) {
    Fail(ArchiveError::badSchema);
    return nullptr;
  }
  return cls;
}

win::CObject* CArchive::ReadNewObject(const win::CRuntimeClass* cls) {
  win::CObject* object = cls->createObject();
  if (!object) {
    Fail(ArchiveError::badClass);
    return nullptr;
  }
  if (!HandOutIndex(Slot{cls, object})) {
    delete object;
    return nullptr;
  }
  const uint32_t index = nextIndex_ - 1;
  object->Serialize(*this);
  if (Failed()) {
    loaded_[index] = Slot{};
    delete object;
    return nullptr;
  }
  return object;
}

win::CObject* CArchive::ReadObject(bool* isNew) {
  if (isNew) *isNew = false;
  const uint16_t tag = ReadU16();
  const uint32_t t = tag == kLongTag ? ReadU32() : (uint32_t(tag & 0x7FFF) | (uint32_t(tag & kClassTag16) << 16));
  if (Failed()) return nullptr;
  if (!(t & kClassTag32)) {
    // An object reference; index 0 is the null tag.
    if (t >= nextIndex_ || (t != 0 && !loaded_[t].object)) {
      Fail(ArchiveError::badIndex);
      return nullptr;
    }
    return loaded_[t].object;
  }
  const win::CRuntimeClass* cls = nullptr;
  if (tag == kNewClassTag) {
    cls = ReadClassDescriptor();
    if (!cls || !HandOutIndex(Slot{cls, nullptr})) return nullptr;
  } else {
    const uint32_t c = t & ~kClassTag32;
    if (c == 0 || c >= nextIndex_ || loaded_[c].object || !loaded_[c].cls) {
      Fail(ArchiveError::badIndex);
      return nullptr;
    }
    cls = loaded_[c].cls;
  }
  win::CObject* object = ReadNewObject(cls);
  if (object && isNew) *isNew = true;
  return object;
}

void CArchive::WriteReference(uint32_t index, bool toClass) {
  if (index < kLongTag) {
    WriteU16(uint16_t(index | (toClass ? kClassTag16 : 0)));
  } else {
    WriteU16(kLongTag);
    WriteU32(index | (toClass ? kClassTag32 : 0));
  }
}

void CArchive::WriteObject(win::CObject* object) {
  if (Failed()) return;
  if (!object) {
    WriteU16(kNullTag);
    return;
  }
  if (auto it = stored_.find(object); it != stored_.end()) {
    WriteReference(it->second, false);
    return;
  }
  const win::CRuntimeClass* cls = object->GetRuntimeClass();
  if (auto it = stored_.find(cls); it != stored_.end()) {
    WriteReference(it->second, true);
  } else {
    const size_t length = std::strlen(cls->className);
    if (length > kMaxClassName) {
      Fail(ArchiveError::badClass);
      return;
    }
    WriteU16(kNewClassTag);
    WriteU16(cls->schema);
    WriteU16(uint16_t(length));
    WriteBytes(cls->className, length);
    if (!StoreIndex(cls)) return;
  }
  if (!StoreIndex(object)) return;
  object->Serialize(*this);
}

}  // namespace qz
