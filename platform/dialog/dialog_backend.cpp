// The backend in use.
#include "platform/dialog/dialog_backend.h"

namespace win {
namespace {

std::shared_ptr<DialogBackend>& Active() {
  static std::shared_ptr<DialogBackend>* active = new std::shared_ptr<DialogBackend>;
  return *active;
}

}  // namespace

DialogBackend& ActiveBackend() {
  std::shared_ptr<DialogBackend>& active = Active();
  if (!active) active = CreateConsoleBackend();
  return *active;
}

void SetDialogBackend(std::shared_ptr<DialogBackend> backend) { Active() = std::move(backend); }

}  // namespace win
