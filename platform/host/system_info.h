// System information of the emulated Windows: the processor architecture.
#pragma once

#include <cstdint>

namespace win {

enum : uint16_t {
  PROCESSOR_ARCHITECTURE_INTEL = 0,
  PROCESSOR_ARCHITECTURE_AMD64 = 9,
};

struct SYSTEM_INFO {
  uint16_t wProcessorArchitecture = 0;
  uint32_t dwNumberOfProcessors = 0;
};

// What a 32-bit process sees: always the x86 architecture.
void GetSystemInfo(SYSTEM_INFO* info);

// The machine's own architecture: AMD64, or x86 when QZ_MACHINE_ARCH=x86.
using GetNativeSystemInfoFunction = void (*)(SYSTEM_INFO*);
// The export of kernel32.dll looked up at run time (Windows XP and later
// have it); null when QZ_MACHINE_ARCH=noexport emulates a system without it.
GetNativeSystemInfoFunction LookUpGetNativeSystemInfo();

}  // namespace win
