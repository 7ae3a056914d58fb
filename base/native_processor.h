#pragma once

namespace qz {

// True on 64-bit Windows: the native processor architecture is AMD64.
// Asked afresh on every call.
bool IsNative64BitWindows();

}  // namespace qz
