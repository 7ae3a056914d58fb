#include "base/native_processor.h"

#include "platform/host/system_info.h"

namespace qz {

bool IsNative64BitWindows() {
  win::SYSTEM_INFO info;
  if (win::GetNativeSystemInfoFunction native = win::LookUpGetNativeSystemInfo())
    native(&info);
  else
    win::GetSystemInfo(&info);
  return info.wProcessorArchitecture == win::PROCESSOR_ARCHITECTURE_AMD64;
}

}  // namespace qz
