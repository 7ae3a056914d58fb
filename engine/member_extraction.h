// Turns one catalogue entry into a file: the stored bytes are written to the
// destination and a gzip member is then decompressed in place.
#pragma once

#include <functional>
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

// The silent unregistration of a preview DLL before it is overwritten;
// returns when it has finished. Empty: nothing to unregister.
using DllUnregistration = std::function<void(std::u16string_view dllPath)>;

// Writes the stored bytes to the destination (through OpenForWriting) and
// decompresses a gzip member in place.
EntryWriteResult WriteEntryFile(const PayloadEntry& entry, std::u16string_view destination,
                                const DllUnregistration& unregisterDll = {});

// Opens a file of the product's tree for writing (created or cut to length
// 0). A preview DLL at an absolute path is unregistered first and given
// 500 ms; then as OpenFileForWriting.
win::File OpenForWriting(std::u16string_view path, const DllUnregistration& unregisterDll = {});

// Decompresses the gzip member at the path over the path itself, through a
// temporary file. Nothing on success, else the error text.
std::optional<std::u16string> GunzipInPlace(std::u16string_view path);
std::optional<std::u16string> GunzipToFile(win::GzipReader& reader, win::File& output);

}  // namespace qz
