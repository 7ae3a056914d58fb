// The start of the installed product at the end of an installation, with
// ordinary user rights.
#pragma once

#include <string_view>

namespace qz {

enum class ProductLaunch {
  started,
  // Started by "runas" as the basic user: the installer, still elevated,
  // is to end at once with exit status 0.
  handedToBasicUser,
};

// Starts the executable with the installation directory as its current
// directory. When UAC is on and the installer runs elevated, the product is
// started through "runas /trustlevel:0x20000" (the basic user) instead.
// Failures are silent.
ProductLaunch LaunchProduct(std::u16string_view executablePath);

}  // namespace qz
