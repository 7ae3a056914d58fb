#include "platform/host/system_info.h"

#include <cstdlib>
#include <string_view>

#include "platform/host/host_process.h"

namespace win {
namespace {

std::string_view MachineArch() {
  const char* v = std::getenv("QZ_MACHINE_ARCH");
  return v ? v : "";
}

uint32_t Processors() { return host::ProcessorCount(); }

void NativeSystemInfo(SYSTEM_INFO* info) {
  info->wProcessorArchitecture = MachineArch() == "x86" ? PROCESSOR_ARCHITECTURE_INTEL : PROCESSOR_ARCHITECTURE_AMD64;
  info->dwNumberOfProcessors = Processors();
}

}  // namespace

void GetSystemInfo(SYSTEM_INFO* info) {
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  info->dwNumberOfProcessors = Processors();
}

GetNativeSystemInfoFunction LookUpGetNativeSystemInfo() {
  return MachineArch() == "noexport" ? nullptr : &NativeSystemInfo;
}

}  // namespace win
