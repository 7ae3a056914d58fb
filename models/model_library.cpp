#include "models/model_library.h"

#include <string>

#include "base/out_of_memory.h"
#include "models/file_replacement.h"
#include "models/model_reader.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/host/local_time.h"

namespace qz {
namespace {

constexpr size_t kInitialListRoom = 32;

std::optional<ModelRecordList> ReadRecords(std::u16string_view path, ModelKind kind) {
  if (path.empty()) return std::nullopt;
  win::File file = win::File::Open(path, win::OpenMode::read);
  if (!file) return std::nullopt;
  ModelRecordList list(kind);
  list.records.reserve(kInitialListRoom);
  ModelLibraryReader reader(file);
  while (std::optional<std::u16string_view> statement = reader.ReadModelStatement()) {
    if (!IsModelStatement(*statement)) continue;
    list.records.push_back(MakeModelRec(kind, std::u16string(ModelNameOf(*statement)), std::u16string(*statement)));
  }
  reader.Reset();
  if (reader.Failed()) return std::nullopt;
  return list;
}

// A 0 byte in the first 4096 bytes makes the reader take a file for 16-bit
// text, so a text holding U+0000 stays 16-bit to read back the same.
bool FitsInEightBits(std::u16string_view text) {
  for (char16_t c : text)
    if (c > 0xFF || c == 0) return false;
  return true;
}

std::string EncodeText(std::u16string_view text) {
  std::string bytes;
  if (FitsInEightBits(text)) {
    bytes.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) bytes[i] = char(text[i]);
    return bytes;
  }
  bytes.resize(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = char(text[i] & 0xFF);
    bytes[2 * i + 1] = char(text[i] >> 8);
  }
  return bytes;
}

std::u16string LibraryText(const ModelRecordList& list) {
  std::u16string text = ModelLibraryHeader(list.kind, win::GetLocalTime().wYear);
  size_t length = text.size();
  for (const auto& record : list.records) length += record->Text().size() + 2;
  text.reserve(length);
  for (const auto& record : list.records) {
    text += record->Text();
    text += u"\r\n";
  }
  return text;
}

std::optional<std::string> ReadWholeFile(std::u16string_view path) {
  win::File file = win::File::Open(path, win::OpenMode::read);
  if (!file) return std::nullopt;
  std::optional<uint64_t> size = file.Size();
  if (!size) return std::nullopt;
  std::string bytes(size_t(*size), '\0');
  if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
  return bytes;
}

// Every other byte of 16-bit text whose characters all fit in 8 bits, or
// nothing when one does not (U+0000 included: see FitsInEightBits).
std::optional<std::string> NarrowedBytes(std::string_view wide) {
  std::string narrow(wide.size() / 2, '\0');
  for (size_t i = 0; i < narrow.size(); ++i) {
    if (wide[2 * i + 1] != '\0' || wide[2 * i] == '\0') return std::nullopt;
    narrow[i] = wide[2 * i];
  }
  return narrow;
}

void NarrowFile(std::u16string_view path) {
  std::optional<std::string> wide = ReadWholeFile(path);
  if (!wide || wide->empty() || wide->size() % 2 != 0) return;
  std::optional<std::string> narrow = NarrowedBytes(*wide);
  if (!narrow) return;
  // A read-only file could not be rewritten either: it stays 16-bit.
  (void)ReplaceFileContents(path, *narrow, ReadOnlyTarget::keep);
}

}  // namespace

std::u16string ModelLibraryHeader(ModelKind kind, int year) {
  return win::Format(u"* Quenda Zorvel %ls model library (%ls), %d\r\n"
                     u"* One .model statement per line.\r\n",
                     ModelKindShortName(kind), ModelKindDeviceName(kind), year);
}

std::optional<ModelRecordList> ReadModelLibrary(std::u16string_view path, ModelKind kind) {
  return ExitIfOutOfMemory([&] { return ReadRecords(path, kind); });
}

bool LooksLikeModelLibrary(std::u16string_view path, ModelKind kind) {
  std::optional<ModelRecordList> list = ReadModelLibrary(path, kind);
  if (!list) return false;
  std::optional<win::FileStatus> status = win::GetFileStatus(path);
  return !list->records.empty() || (status && status->size == 0);
}

bool WriteModelLibrary(std::u16string_view path, const ModelRecordList& list) {
  if (path.empty()) return false;
  return ExitIfOutOfMemory(
      [&] { return ReplaceFileContents(path, EncodeText(LibraryText(list)), ReadOnlyTarget::replace); });
}

void NarrowTextFile(std::u16string_view path) {
  ExitIfOutOfMemory([&] { NarrowFile(path); });
}

}  // namespace qz
