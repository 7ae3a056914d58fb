// The C runtime's thread start: a detached thread running a routine.
#pragma once

namespace win {

using ThreadRoutine = void (*)(void* argument);

// Starts the routine on a new thread with the default stack size; false
// when no thread could be started.
bool BeginThread(ThreadRoutine routine, void* argument);

}  // namespace win
