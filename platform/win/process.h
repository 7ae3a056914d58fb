// Starting programs of the emulated machine: the C runtime's start-and-wait
// and command-processor runs, and CreateProcessW.
//
// A program is a file of the machine, named by its Windows path. What runs
// depends on the file's first bytes:
//   - a stand-in of system_tools.h ("#qz-system-tool <tool>"): the host
//     program qzsystemtools serves it (cmd, regsvr32, runas);
//   - a host executable (ELF or "#!" script with the execute bit): it runs
//     with the Windows command line split by Windows' rules;
//   - a Windows program ("MZ"), such as an installed product's executable,
//     which the host cannot run: the machine records a "start" line in the
//     journal (journal.h) and the program ends at once with exit code 0;
//   - anything else cannot be started (ERROR_BAD_EXE_FORMAT).
// Host processes get the emulated current directory in QZ_CURRENT_DIRECTORY
// (and as their host directory) and the machine in QZ_SYSTEM_ROOT. Exit
// codes are the host's (0 to 255; a signal gives 128 + its number).
// Every start counts as one faults::Op::processStart operation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/win_base.h"
#include "platform/win/handle.h"

namespace win {

inline constexpr int _P_WAIT = 0;
inline constexpr int _P_NOWAIT = 1;

// Starts cmdname (a path, relative to the current directory; ".com" and
// ".exe" are tried when it has no extension) with the arguments joined by
// single spaces into its command line, as given: an argument with a space
// is split unless the caller quotes it. Only _P_WAIT is supported: the
// program's exit code, or -1 with errno (ENOENT, ENOEXEC, EACCES, EINVAL)
// when it cannot be started.
intptr_t _wspawnv(int mode, const char16_t* cmdname, const char16_t* const* argv);

// The argument list ends with a null pointer, as on Windows.
template <class... Rest>
intptr_t _wspawnl(int mode, const char16_t* cmdname, const char16_t* arg0, Rest... rest) {
  const char16_t* argv[] = {arg0, static_cast<const char16_t*>(rest)..., nullptr};
  return _wspawnv(mode, cmdname, argv);
}

// Runs "COMSPEC /c command" (cmd.exe of the system folders when COMSPEC is
// unset) and waits: the command processor's exit code, or -1 with errno when
// it cannot be started. A null command asks whether a command processor
// exists (non-zero) or not (0). system takes 8-bit text in the ANSI code
// page (code_page.h), as the C runtime converts it.
int _wsystem(const char16_t* command);
int system(const char* command);

struct STARTUPINFOW {
  DWORD cb = 0;
  LPWSTR lpReserved = nullptr;
  LPWSTR lpDesktop = nullptr;
  LPWSTR lpTitle = nullptr;
  DWORD dwX = 0, dwY = 0, dwXSize = 0, dwYSize = 0;
  DWORD dwXCountChars = 0, dwYCountChars = 0, dwFillAttribute = 0, dwFlags = 0;
  WORD wShowWindow = 0;
  WORD cbReserved2 = 0;
  BYTE* lpReserved2 = nullptr;
  HANDLE hStdInput = nullptr, hStdOutput = nullptr, hStdError = nullptr;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess = nullptr;
  HANDLE hThread = nullptr;
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};

enum : DWORD {
  CREATE_SUSPENDED = 0x00000004,  // not supported: ERROR_NOT_SUPPORTED
  DETACHED_PROCESS = 0x00000008,
  CREATE_NEW_CONSOLE = 0x00000010,
  NORMAL_PRIORITY_CLASS = 0x00000020,
  CREATE_UNICODE_ENVIRONMENT = 0x00000400,
  CREATE_NO_WINDOW = 0x08000000,
};

// Starts a program and returns at once with handles of its process and
// thread, which the caller closes. Without lpApplicationName the program is
// the command line's first item, found as Windows finds it: a quoted name,
// or else the shortest run of words up to a blank that names a program;
// ".exe" is added to a name without extension, and a name without a folder
// is looked for in the current directory, then in system32 and the Windows
// folder. lpCurrentDirectory (else the caller's) must exist
// (ERROR_DIRECTORY). lpEnvironment, when given, is the child's whole
// environment block. FALSE with GetLastError when it cannot be started.
BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, SECURITY_ATTRIBUTES* lpProcessAttributes,
                    SECURITY_ATTRIBUTES* lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                    void* lpEnvironment, LPCWSTR lpCurrentDirectory, STARTUPINFOW* lpStartupInfo,
                    PROCESS_INFORMATION* lpProcessInformation);

// The emulated volumes keep no short (8.3) names, so the short form of an
// existing path is the path as given. The length copied, or the size needed
// with the NUL when the buffer is too small (the buffer may be the input);
// 0 with ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND for a path that does
// not exist.
DWORD GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer);

// ---- Windows command lines, for the system tools ----

// The arguments of a command line as the C runtime splits it (argv[0]
// first): blanks separate, double quotes group, 2n backslashes before a
// quote give n backslashes, 2n+1 give n and a literal quote.
std::vector<std::u16string> CommandLineToArguments(std::u16string_view commandLine);

// The program item of a command line (argv[0] without its quotes) and the
// text after it and the blanks that follow.
struct ProgramItem {
  std::u16string program;
  std::u16string rest;
};
ProgramItem SplitProgramItem(std::u16string_view commandLine);

// The full path of an existing program file as CreateProcessW looks for a
// name (".exe" added to a name without extension when addExe is set).
std::optional<std::u16string> SearchProgramFile(std::u16string_view name, bool addExe);

// This process's environment as a block for CreateProcessW (with
// CREATE_UNICODE_ENVIRONMENT), with one variable set to the value.
std::u16string EnvironmentBlockWith(std::u16string_view name, std::u16string_view value);

}  // namespace win
