#include "archive/database_file.h"

#include <algorithm>

#include "archive/archive_stream.h"
#include "archive/database_messages.h"
#include "base/file_helpers.h"
#include "base/out_of_memory.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"

namespace qz {
namespace {

constexpr size_t kHeaderBytes = 512;
constexpr uint16_t kMaxHeaderClassName = 32;

uint16_t U16At(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32At(const unsigned char* p) { return uint32_t(U16At(p)) | (uint32_t(U16At(p + 2)) << 16); }

Status WriteToFile(win::File& file, std::u16string_view path, const std::function<void(CArchive&)>& write) {
  FileSink sink(file);
  CArchive ar(sink);
  write(ar);
  if (!ar.Flush()) return Failure{ArchiveFailureText(ar.Failure(), path, DocumentAction::save)};
  if (!file.Sync() || !file.Close()) return Failure{FileErrorText(file.Error().kind, path)};
  return {};
}

}  // namespace

bool CheckDatabaseHeader(std::u16string_view path, std::string_view recordClassName) {
  return CheckDatabaseHeaderOf(path, recordClassName) == HeaderCheck::matches;
}

HeaderCheck CheckDatabaseHeaderOf(std::u16string_view path, std::string_view recordClassName) {
  win::File file = win::File::Open(path, win::OpenMode::read);
  if (!file) return HeaderCheck::unreadable;
  unsigned char header[kHeaderBytes] = {};
  file.Read(header, sizeof header);
  if (file.Error()) return HeaderCheck::unreadable;
  file.Close();
  uint32_t count = U16At(header);
  size_t descriptor = 2;
  if (count == 0xFFFF) {
    count = U32At(header + 2);
    descriptor = 6;
  }
  if (count == 0) return HeaderCheck::differs;
  const uint16_t length = U16At(header + descriptor + 4);
  if (length > kMaxHeaderClassName) return HeaderCheck::differs;
  const char* name = reinterpret_cast<const char*>(header + descriptor + 6);
  const char* end = std::find(name, name + length, '\0');
  return std::string_view(name, size_t(end - name)) == recordClassName ? HeaderCheck::matches : HeaderCheck::differs;
}

Status ReadArchiveFile(std::u16string_view path, const std::function<void(CArchive&)>& read) {
  if (!FileExists(path)) return {};
  win::File file = win::File::Open(path, win::OpenMode::read, win::Share::denyWrite);
  if (!file) return Failure{FileErrorText(file.Error().kind, path)};
  std::optional<uint64_t> size = file.Size();
  if (!size) return Failure{FileErrorText(file.Error().kind, path)};
  if (*size == 0) return {};
  FileSource source(file, *size);
  CArchive ar(source);
  ExitIfOutOfMemory([&] { read(ar); });
  if (ar.Failed()) return Failure{ArchiveFailureText(ar.Failure(), path, DocumentAction::load)};
  return {};
}

Status WriteArchiveFile(std::u16string_view path, const std::function<void(CArchive&)>& write) {
  const std::u16string full = win::FullWindowsPath(path);
  if (full.empty()) return Failure{FileErrorText(win::FileErrorKind::badPath, path)};
  // Held while the new file is written, so that the path is known to be
  // writable (not read-only, not a directory, not in use) before any work.
  win::File current;
  if (win::GetFileStatus(full)) {
    current = win::File::Open(full, win::OpenMode::readWrite, win::Share::denyAll);
    if (!current) return Failure{FileErrorText(current.Error().kind, path)};
  }
  std::u16string temporary;
  win::File file = win::CreateTemporaryFile(&temporary, ParentDirectory(full));
  if (!file) return Failure{FileErrorText(file.Error().kind, path)};
  Status written = ExitIfOutOfMemory([&] { return WriteToFile(file, path, write); });
  current.Close();
  if (written) {
    if (win::FileError e = win::RenameFile(temporary, full, true)) written = Failure{FileErrorText(e.kind, path)};
  }
  if (!written) {
    file.Close();
    win::RemoveFile(temporary);
  }
  return written;
}

template <class Doc>
std::unique_ptr<Doc> LoadDatabase(std::u16string_view path) {
  Result<std::unique_ptr<Doc>> read = ReadDatabase<Doc>(path);
  if (!read) {
    ShowMessageText(read.Error().message);
    return nullptr;
  }
  if (read.Value()->Records().empty()) return nullptr;
  return std::move(read).Value();
}

template <class Doc>
bool SaveDatabase(Doc& doc, std::u16string_view path) {
  Status written = WriteArchiveFile(path, [&doc](CArchive& ar) { doc.Serialize(ar); });
  if (!written) ShowMessageText(written.Error().message);
  return written.Ok();
}

template std::unique_ptr<CCapacitorDoc> LoadDatabase<CCapacitorDoc>(std::u16string_view);
template std::unique_ptr<CInductorDoc> LoadDatabase<CInductorDoc>(std::u16string_view);
template std::unique_ptr<CResistorDoc> LoadDatabase<CResistorDoc>(std::u16string_view);
template bool SaveDatabase<CCapacitorDoc>(CCapacitorDoc&, std::u16string_view);
template bool SaveDatabase<CInductorDoc>(CInductorDoc&, std::u16string_view);
template bool SaveDatabase<CResistorDoc>(CResistorDoc&, std::u16string_view);

}  // namespace qz
