#include "platform/host/thread.h"

#include <system_error>
#include <thread>

namespace win {

bool BeginThread(ThreadRoutine routine, void* argument) {
  try {
    std::thread(routine, argument).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace win
