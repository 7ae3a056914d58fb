// The one command-line switch, "AcceptedLicense": the licence agreement has
// been accepted and the installation starts by itself.
#pragma once

#include <string_view>

namespace qz {

// Whether the command-line tail carries the switch: the first "AcceptedLicense"
// (case-sensitive), not at the tail's start, right after "-", "/" or U+2212,
// and followed by the end or a blank.
bool HasAcceptedLicenseSwitch(std::u16string_view commandLineTail);

}  // namespace qz
