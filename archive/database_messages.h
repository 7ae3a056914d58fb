// The texts with which loading and saving a database report a failure.
#pragma once

#include <string>
#include <string_view>

#include "archive/archive.h"
#include "platform/host/file_system.h"

namespace qz {

// The dialog framework's text for a file error, with %1 replaced by the path.
std::u16string FileErrorText(win::FileErrorKind kind, std::u16string_view path);

enum class DocumentAction { load, save };

// A file error's text; "Unexpected file format." for a damaged archive;
// "Failed to open document." or "Failed to save document." otherwise.
std::u16string ArchiveFailureText(const ArchiveFailure& failure, std::u16string_view path, DocumentAction action);

}  // namespace qz
