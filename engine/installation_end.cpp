#include "engine/installation_end.h"

#include "base/file_helpers.h"
#include "platform/win/runtime.h"

namespace qz {

void EndInstallation(const Failure& failure) {
  if (!failure.message.empty()) ShowMessageText(failure.message);
  win::ExitProcess(0);
}

}  // namespace qz
