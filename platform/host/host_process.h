// This process as the host runs it, and the host programs it starts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/win_base.h"

namespace win::host {

// The host's id of a started program.
using ProcessId = int64_t;

// The environment of this process: "NAME=value" texts in UTF-8.
std::vector<std::string> ProcessEnvironment();

// Starts the program (a host path) with the arguments, the first being its
// own name, and exactly the environment given, in the host folder.
// ERROR_SUCCESS with the id in *id, or the system error code that Windows
// gives the reason it could not start.
LONG StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment, const std::string& directory, ProcessId* id);

// The exit code of a started program once it has ended, which collects it;
// nothing while it still runs, unless wait is set: then it waits for the end. A program ended by a signal
// gives 128 + its number, as a POSIX shell reports it; DWORD(-1) when the
// program cannot be asked.
std::optional<DWORD> CollectExitCode(ProcessId id, bool wait);

// The host path of the running executable, or empty.
std::string ExecutablePath();

// Whether standard input is a terminal.
bool InputIsTerminal();

// The processors online.
uint32_t ProcessorCount();

// Ends the process with the status at once: no destructor runs, and output
// that is not flushed yet is lost.
[[noreturn]] void ExitNow(int status);

// Kills this process as an outside kill would, before anything else happens.
void KillSelf();

}  // namespace win::host
