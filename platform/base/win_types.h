// Basic Windows types and constants shared by the layer's interfaces.
#pragma once

#include <cstdint>

namespace win {

// A window of the dialog framework; null means no window.
struct WindowObject;
using HWND = WindowObject*;

using DWORD = uint32_t;
using LONG = int32_t;
using BOOL = int;

}  // namespace win
