// Paths inside the installation directory.
#pragma once

#include <string>
#include <string_view>

namespace qz {

// Joins the installation directory and a catalogue path:
// "C:\d" + ".\x" gives "C:\d\x"; an empty directory keeps the path.
std::u16string JoinInstallPath(std::u16string_view directory, std::u16string_view relativePath);

}  // namespace qz
