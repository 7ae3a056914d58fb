// What Windows grants the installer: its version, whether User Account
// Control is on and whether the process runs elevated. Each test asks
// afresh; nothing is cached.
#pragma once

namespace qz {

// True when Windows reports version 6.minor (service pack 0) or later.
// A program without a compatibility manifest sees every later Windows as
// 6.2, which still passes.
bool IsWindowsAtLeast(int minorVersion);

// 1 when the process token is elevated, 0 when not, -1 when that cannot be
// told (before Windows Vista, or the token query failed).
int IsProcessElevated();

// The machine's "EnableLUA" policy; when it cannot be read, UAC counts as
// on from Windows 8 and off before.
bool IsUacEnabled();

}  // namespace qz
