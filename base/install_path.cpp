#include "base/install_path.h"

namespace qz {

std::u16string JoinInstallPath(std::u16string_view directory, std::u16string_view relativePath) {
  std::u16string joined(directory);
  if (!joined.empty() && joined.back() != u'\\') joined += u'\\';
  if (!relativePath.empty()) {
    if (relativePath[0] == u'\\')
      relativePath.remove_prefix(1);
    else if (!directory.empty() && relativePath.starts_with(u".\\"))
      relativePath.remove_prefix(2);
  }
  joined += relativePath;
  return joined;
}

}  // namespace qz
