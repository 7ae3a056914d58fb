#include "engine/installation_end.h"

#include "base/file_helpers.h"
#include "platform/base/text.h"
#include "platform/win/runtime.h"

namespace qz {

Failure WriteFailure(std::u16string_view path) {
  return {win::Format(u"Trouble writing file \"%ls\".\nThis might be a permission problem curable with fresh reboot.",
                      path)};
}

void EndInstallation(const Failure& failure) {
  if (!failure.message.empty()) ShowMessageText(failure.message);
  win::ExitProcess(0);
}

}  // namespace qz
