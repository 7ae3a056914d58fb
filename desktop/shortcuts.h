// The product's shortcuts on the user's Desktop and in the Start Menu, and
// the installation log `uninstall.info` that lists them for the
// uninstaller. Nothing here shows a message: failures come back as the
// error text, which the caller shows.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"

namespace qz {

struct LinkOutcome {
  // The ".lnk" file's full path: set as soon as the folder is known, also
  // when the link then could not be made; empty when the folder was not found.
  std::u16string linkPath;
  // Ok also when the shell has no link object to make it with.
  Status status;
};

// Makes "<Desktop>\<linkName>.lnk" pointing at
// "<targetDirectory>\<executableBaseName>.exe", with the installation
// directory as working directory and the description (when not empty) as
// comment. An existing link of the same name is replaced.
LinkOutcome MakeDesktopLink(std::u16string_view executableBaseName, std::u16string_view linkName,
                            std::u16string_view description);

// The same directly in the user's Start Menu folder.
LinkOutcome MakeStartMenuLink(std::u16string_view executableBaseName, std::u16string_view linkName,
                              std::u16string_view description);

// Writes `uninstall.info` in the installation directory anew: one line
// "Link:<path>" CR LF per path that is not empty, in argument order, encoded
// as UninstallInfoBytes says. A file that cannot be written is silently
// skipped.
void WriteUninstallInfo(std::u16string_view startMenuLink, std::u16string_view startMenuX86Link,
                        std::u16string_view desktopLink, std::u16string_view desktopX86Link);

}  // namespace qz
