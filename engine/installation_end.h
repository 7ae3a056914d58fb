// The installer's process ends early in two places only: the worker, when an
// entry cannot be written and the installation cannot go on, and the driver,
// once the product has been handed to the basic user. Both end here.
#pragma once

#include <string_view>

#include "base/result.h"

namespace qz {

// The failure of a file that was opened but could not be written whole.
Failure WriteFailure(std::u16string_view path);

// Shows the failure's message (none when it is empty: it has been shown
// already), then ends the process with exit status 0.
[[noreturn]] void EndInstallation(const Failure& failure = {});

}  // namespace qz
