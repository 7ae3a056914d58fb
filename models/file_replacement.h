// Replaces a file's contents so that a crash or a failed write never
// leaves a partly written file in its place: the new contents go to a new
// file beside it, made durable, and renamed over the old one in one step.
#pragma once

#include <string_view>

namespace qz {

enum class ReadOnlyTarget { keep, replace };

// False, with the file as it was, when the new file cannot be created,
// written, synced or closed, or the rename fails. A read-only file is
// replaced (its attribute cleared) only when asked; otherwise it is kept.
[[nodiscard]] bool ReplaceFileContents(std::u16string_view path, std::string_view bytes,
                                       ReadOnlyTarget readOnly);

}  // namespace qz
