#include "engine/member_extraction.h"

#include <memory>

#include "base/file_helpers.h"
#include "platform/base/text.h"
#include "platform/win/runtime.h"

namespace qz {
namespace {

constexpr unsigned kGunzipBlock = 16384;
constexpr unsigned kDllPauseMs = 500;

bool HasDllExtension(std::u16string_view path) {
  size_t dot = path.rfind(u'.');
  return dot != std::u16string_view::npos && win::EqualsNoCaseAscii(path.substr(dot), u".dll");
}

bool IsAbsoluteForUnregistration(std::u16string_view path) {
  return (path.size() >= 2 && path[1] == u':') || (!path.empty() && path[0] == u'\\');
}

}  // namespace

win::File OpenForWriting(std::u16string_view path, const DllUnregistration& unregisterDll) {
  if (HasDllExtension(path) && IsAbsoluteForUnregistration(path)) {
    if (unregisterDll) unregisterDll(path);
    win::Sleep(kDllPauseMs);
  }
  return OpenFileForWriting(path);
}

EntryWriteResult WriteEntryFile(const PayloadEntry& entry, std::u16string_view destination,
                                const DllUnregistration& unregisterDll) {
  win::File file = OpenForWriting(destination, unregisterDll);
  if (!file) return {EntryWriteKind::openFailed, {}};
  std::span<const unsigned char> bytes = StoredBytes(entry);
  if (file.Write(bytes.data(), bytes.size()) != bytes.size()) return {EntryWriteKind::writeFailed, {}};
  // A close that fails loses the bytes as surely as a failed write.
  if (!file.Close()) return {EntryWriteKind::writeFailed, {}};
  if (entry.compressedSize != 0) {
    if (auto error = GunzipInPlace(destination)) return {EntryWriteKind::decompressionFailed, std::move(*error)};
  }
  return {};
}

std::optional<std::u16string> GunzipInPlace(std::u16string_view path) {
  std::u16string temporary = win::TemporaryFileName();
  if (temporary == path) {
    ShowMessage(u"Internal Error: duplicate tmp file names.");
    return u"Internal Error: duplicate tmp file names.";
  }
  win::GzipReader reader = win::GzipReader::Open(path);
  if (!reader) return win::Format(u"Could not open uncompression input file: \"%ls\"", path);
  // Created exclusively: a name that appeared since it was picked is skipped,
  // so nothing another process put there is written through.
  win::File output = win::File::Open(temporary, win::OpenMode::createNew);
  if (!output && output.Error().kind == win::FileErrorKind::alreadyExists)
    output = win::CreateTemporaryFile(&temporary, ParentDirectory(temporary));
  if (!output) return win::Format(u"Could not open uncompression output file: \"%ls\"", temporary);
  if (auto error = GunzipToFile(reader, output)) {
    output.Close();
    win::RemoveFile(temporary);
    return error;
  }
  if (!CopyFileBytes(temporary, path)) {
    win::RemoveFile(temporary);
    return win::Format(
        u"Trouble uncompressing file: \"%ls\"\n    Disk full?  Permission problem?\nThis might be curable with fresh reboot.",
        path);
  }
  win::RemoveFile(temporary);
  return std::nullopt;
}

std::optional<std::u16string> GunzipToFile(win::GzipReader& reader, win::File& output) {
  // Left uninitialised: every byte written out has been decompressed into it first.
  std::unique_ptr<unsigned char[]> block = std::make_unique_for_overwrite<unsigned char[]>(kGunzipBlock);
  for (;;) {
    int n = reader.Read(block.get(), kGunzipBlock);
    if (n < 0) return reader.ErrorText();
    if (n == 0) {
      bool outputClosed = output.Close();
      if (!reader.Close()) return u"uncompress(): failed close";
      // The decompressed bytes are only complete once the file is closed.
      if (!outputClosed) return u"uncompress(): failed fwrite";
      return std::nullopt;
    }
    if (output.Write(block.get(), size_t(n)) < size_t(n)) return u"uncompress(): failed fwrite";
  }
}

}  // namespace qz
