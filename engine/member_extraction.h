// Turns one catalogue entry into a file: the stored bytes are written to the
// destination and a gzip member is then decompressed in place.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/payload_entry.h"
#include "platform/host/file_system.h"
#include "platform/host/gzip_reader.h"

namespace qz {

enum class EntryWriteKind { written, openFailed, writeFailed, decompressionFailed };

struct EntryWriteResult {
  EntryWriteKind kind = EntryWriteKind::written;
  std::u16string errorText;  // for decompressionFailed
};

EntryWriteResult WriteEntryFile(const PayloadEntry& entry, std::u16string_view destination);

// Opens a file of the product's tree for writing (created or cut to length
// 0). A preview DLL at an absolute path is unregistered first and given
// 500 ms; a read-only file has its attribute cleared; missing directories
// are created. A closed file when all of that failed.
win::File OpenForWriting(std::u16string_view path);

// Decompresses the gzip member at the path over the path itself, through a
// temporary file. Nothing on success, else the error text.
std::optional<std::u16string> GunzipInPlace(std::u16string_view path);
std::optional<std::u16string> GunzipToFile(win::GzipReader& reader, win::File& output);

// The silent unregistration of a preview DLL, supplied by the desktop
// integration; returns when it has finished.
using UnregisterDllFunction = void (*)(std::u16string_view dllPath);
void SetUnregisterServerDll(UnregisterDllFunction function);

}  // namespace qz
