// Memory exhaustion ends the process with "Out of Memory!" and status -1,
// wherever in a library operation it happens.
#pragma once

#include <new>

#include "platform/win/runtime.h"

namespace qz {

template <class Operation>
auto ExitIfOutOfMemory(Operation&& operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    win::ExitOutOfMemory();
  }
}

}  // namespace qz
