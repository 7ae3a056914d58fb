// Kernel object handles of the emulated process: processes started through
// process.h (with their first thread) and access tokens (security.h).
#pragma once

#include <memory>

#include "platform/base/win_base.h"
#include "platform/host/host_process.h"

namespace win {

struct KernelObject;
using HANDLE = KernelObject*;

enum : DWORD {
  WAIT_OBJECT_0 = 0,
  WAIT_TIMEOUT = 258,
  WAIT_FAILED = 0xFFFFFFFF,
  STILL_ACTIVE = 259,
};

// The pseudo handle of the calling process; closing it does nothing.
HANDLE GetCurrentProcess();

// FALSE with ERROR_INVALID_HANDLE for a handle that is not open.
BOOL CloseHandle(HANDLE hObject);

// Waits until the process (or its thread) has ended, at most dwMilliseconds
// (INFINITE: without limit). WAIT_FAILED for other handles.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// The exit code of an ended process, STILL_ACTIVE while it runs.
BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);

// Handles open in this process; tests use it to find leaks.
size_t OpenHandleCount();

namespace handles {

// A started program: a host process, or one that ended at once (a program
// the machine only records, see process.h).
struct ProcessState;
std::shared_ptr<ProcessState> HostProcess(host::ProcessId pid, DWORD id);
std::shared_ptr<ProcessState> EndedProcess(DWORD exitCode, DWORD id);
HANDLE NewProcessHandle(std::shared_ptr<ProcessState> process);
HANDLE NewThreadHandle(std::shared_ptr<ProcessState> process);
DWORD ProcessIdOf(const std::shared_ptr<ProcessState>& process);
// Blocks until the process ends; its exit code.
DWORD WaitForExit(const std::shared_ptr<ProcessState>& process);

struct TokenState {
  DWORD access = 0;
};
HANDLE NewTokenHandle(DWORD access);
// The token behind a handle, or nothing.
std::shared_ptr<const TokenState> FindToken(HANDLE handle);

// Collects host processes whose handles were all closed before they ended.
void ReapOrphans();

}  // namespace handles
}  // namespace win
