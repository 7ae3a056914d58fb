#include "base/install_state.h"

namespace qz {

void InstallState::SetStatusText(std::u16string_view text) {
  std::lock_guard lock(statusMutex_);
  statusText_.assign(text.substr(0, kMaxText));
}

std::u16string InstallState::StatusText() const {
  std::lock_guard lock(statusMutex_);
  return statusText_;
}

InstallState& SharedInstallState() {
  // Never destroyed: the worker may still use it while the process ends.
  static InstallState* state = new InstallState;
  return *state;
}

}  // namespace qz
