// The process itself: its title, pauses and its end.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace win {

// The application's title: the executable's file name without extension.
std::u16string ApplicationTitle();
void SetApplicationTitle(std::u16string_view title);

// Pauses the calling thread. Tests replace the pause with a recorder.
void Sleep(unsigned milliseconds);
using SleepHook = std::function<void(unsigned)>;
void SetSleepHook(SleepHook hook);

// Ends the process at once with the status, from any thread: output is
// flushed, and no destructor runs, so objects that another thread still
// uses stay valid until the end.
[[noreturn]] void ExitProcess(int status);

// "Out of Memory!" in the message box, then the end with status -1.
[[noreturn]] void ExitOutOfMemory();

}  // namespace win
