// The object archive: the byte format of the component databases, a list of
// serialisable objects as the dialog framework's archive class stores it.
//
// All integers are little-endian; there is no header, padding or trailer.
//
//   file    := count entry*count            (bytes after the last entry are ignored)
//   count   := u16 n                          n <= 0xFFFE
//            | u16 FFFF, u32 n
//   entry   := u16 0000                       null: no object
//            | u16 0001..7FFE                 reference to the object at that index
//            | u16 7FFF, u32 i                i < 2^31: object reference to i;
//                                             else class reference to i - 2^31, new object
//            | u16 8001..FFFE, fields         class reference to (tag - 0x8000), new object
//            | u16 FFFF, descriptor, fields   a new class, and a new object of it
//   descriptor := u16 schema, u16 n (< 64), n bytes of ASCII class name
//   string  := length, n bytes                8-bit text in the ANSI code page
//            | FF FE FF, length, 2n bytes     UTF-16LE text of n code units
//   length  := u8 n                           n <= 254
//            | u8 FF, u16 n                   n <= 0xFFFD
//            | u8 FF, u16 FFFF, u32 n         n <= 0xFFFFFFFE
//            | u8 FF, u16 FFFF, u32 FFFFFFFF, u64 n
//
// Reader and writer number classes and objects in order of appearance from
// index 1: a class takes the next index when its descriptor has been read
// or written, a new object the next one before its fields. The next index
// must stay below 0x3FFFFFFE.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "archive/archive_stream.h"
#include "archive/class_registry.h"
#include "platform/base/object.h"
#include "platform/host/file_system.h"

namespace qz {

// Why an archive could not be read or written; file errors are carried
// beside it (ArchiveFailure).
enum class ArchiveError {
  none,
  generic,    // a 64-bit string length above 0x7FFFFFFF
  endOfFile,  // fewer bytes remain than the next item needs
  badClass,   // a class name of 64 bytes or more, or of no known class
  badSchema,  // a known class with another schema
  badIndex,   // a reference to index 0, to an index not handed out or of the wrong kind
};

const char* ArchiveErrorName(ArchiveError error);

struct ArchiveFailure {
  ArchiveError archive = ArchiveError::none;
  win::FileError file;  // set when the file itself failed
  explicit operator bool() const { return archive != ArchiveError::none || bool(file); }
};

// One archive bound to one source (reading) or one sink (writing). Errors
// are sticky: the first failure is kept, and every later operation does
// nothing and yields zero, empty text or null.
class CArchive {
 public:
  explicit CArchive(ArchiveSource& source, const ClassRegistry& classes = RecordClasses());
  explicit CArchive(ArchiveSink& sink);
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return source_ != nullptr; }
  bool IsStoring() const { return sink_ != nullptr; }

  uint32_t ReadCount();
  void WriteCount(uint32_t count);

  // One entry: a new object (owned by the caller), the object already read
  // for a reference, or null for the null tag and on failure. isNew tells a
  // new object from a reference.
  win::CObject* ReadObject(bool* isNew = nullptr);
  // Writes a reference when the object was written before, else its class
  // part and its fields.
  void WriteObject(win::CObject* object);

  std::u16string ReadString();
  void WriteString(std::u16string_view text);

  float ReadFloat();
  void WriteFloat(float value);
  uint32_t ReadUInt32();
  void WriteUInt32(uint32_t value);

  // Whether what remains to be read can hold count entries of at least
  // entryBytes each; fails with end of file when it cannot, so that a
  // damaged count is caught before room is reserved for it.
  bool CanHold(uint64_t count, uint64_t entryBytes);

  // Hands buffered bytes to the sink; false once anything has failed.
  bool Flush();

  bool Failed() const { return bool(failure_); }
  const ArchiveFailure& Failure() const { return failure_; }
  // Records a failure found by the caller (a document that rejects an
  // entry); the first failure is the one kept.
  void Fail(ArchiveError error);

 private:
  struct Slot {
    const win::CRuntimeClass* cls = nullptr;  // the class, or the object's class
    win::CObject* object = nullptr;           // null for a class
  };

  bool ReadBytes(void* buffer, size_t size);
  void WriteBytes(const void* buffer, size_t size);
  uint8_t ReadU8();
  uint16_t ReadU16();
  uint32_t ReadU32();
  uint64_t ReadU64();
  void WriteU8(uint8_t v);
  void WriteU16(uint16_t v);
  void WriteU32(uint32_t v);
  void WriteU64(uint64_t v);
  void WriteLength(uint64_t n);
  void WriteReference(uint32_t index, bool toClass);

  bool HandOutIndex(Slot slot);
  const win::CRuntimeClass* ReadClassDescriptor();
  win::CObject* ReadNewObject(const win::CRuntimeClass* cls);
  bool StoreIndex(const void* key);

  ArchiveSource* source_ = nullptr;
  ArchiveSink* sink_ = nullptr;
  const ClassRegistry* classes_ = nullptr;
  ArchiveFailure failure_;
  uint32_t nextIndex_ = 1;
  std::vector<Slot> loaded_;                           // reading: index -> slot
  std::unordered_map<const void*, uint32_t> stored_;  // writing: class or object -> index
};

}  // namespace qz
