#include "platform/win/process.h"

#include <atomic>
#include <cerrno>

#include "platform/base/console.h"
#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "platform/host/host_file.h"
#include "platform/host/machine.h"
#include "platform/host/system_tools.h"
#include "platform/win/code_page.h"
#include "platform/win/journal.h"
#include "platform/win/security.h"

namespace win {
namespace {

using handles::ProcessState;

// The environment of a started program: "NAME=value" texts in UTF-8.
using Environment = std::vector<std::string>;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view SkipBlanks(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

Environment CurrentEnvironment() { return host::ProcessEnvironment(); }

// A Windows environment block: NUL-terminated NAME=value entries and a
// final NUL. Entries such as "=C:=C:\" that hold drive directories are
// dropped: the emulated process keeps its directory elsewhere.
Environment EnvironmentOfBlock(const void* block, bool unicode) {
  Environment env;
  if (unicode) {
    for (const char16_t* p = static_cast<const char16_t*>(block); *p;) {
      std::u16string_view entry(p);
      if (entry[0] != u'=') env.push_back(WideToUtf8(entry));
      p += entry.size() + 1;
    }
  } else {
    for (const char* p = static_cast<const char*>(block); *p;) {
      std::string_view entry(p);
      if (entry[0] != '=') env.push_back(WideToUtf8(AnsiToWide(entry)));
      p += entry.size() + 1;
    }
  }
  return env;
}

void SetVariable(Environment& env, std::string_view name, std::string_view value) {
  std::string prefix = std::string(name) + "=";
  for (std::string& e : env)
    if (e.compare(0, prefix.size(), prefix) == 0) {
      e = prefix + std::string(value);
      return;
    }
  env.push_back(prefix + std::string(value));
}

Elevation ElevationOf(const Environment& env) {
  const std::string prefix = "QZ_MACHINE_ELEVATED=";
  for (const std::string& e : env)
    if (e.compare(0, prefix.size(), prefix) == 0) return ElevationOfSetting(Utf8ToWide(e.substr(prefix.size())));
  return Elevation::elevated;
}

std::u16string ParentOf(std::u16string_view fullPath) {
  size_t cut = fullPath.rfind(u'\\');
  return std::u16string(fullPath.substr(0, cut == std::u16string_view::npos ? 0 : cut + 1));
}

LONG NotFoundError(std::u16string_view fullPath) {
  return IsDirectory(ParentOf(fullPath)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool HasExtension(std::u16string_view path) {
  size_t slash = path.find_last_of(u"\\/:");
  size_t dot = path.rfind(u'.');
  return dot != std::u16string_view::npos && (slash == std::u16string_view::npos || dot > slash);
}

std::u16string QuotedIfBlank(std::u16string_view text) {
  if (text.find_first_of(u" \t") == std::u16string_view::npos) return std::u16string(text);
  return u"\"" + std::u16string(text) + u"\"";
}

int ErrnoOf(LONG error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_BAD_EXE_FORMAT: return ENOEXEC;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    default: return EINVAL;
  }
}

LONG InjectedFault() { return Win32ErrorOf(faults::Check(faults::Op::processStart)); }

// ---- what a program file is ----

enum class ProgramKind { systemTool, hostExecutable, recordedOnly };

struct Program {
  ProgramKind kind = ProgramKind::recordedOnly;
  std::string hostPath;
  std::string tool;
};

LONG ExamineProgram(std::u16string_view fullPath, Program* out) {
  out->hostPath = HostPath(fullPath);
  if (out->hostPath.empty()) return ERROR_INVALID_NAME;
  std::string head;
  switch (host::ReadFileHead(out->hostPath, 128, &head)) {
    case host::HeadOutcome::missing: return NotFoundError(fullPath);
    case host::HeadOutcome::notReadable: return ERROR_ACCESS_DENIED;
    case host::HeadOutcome::ok: break;
  }
  std::string_view first = head;
  if (std::optional<std::string> tool = SystemToolOfStandIn(first)) {
    out->kind = ProgramKind::systemTool;
    out->tool = *tool;
    return ERROR_SUCCESS;
  }
  if (first.substr(0, 4) == "\x7f" "ELF" || first.substr(0, 2) == "#!") {
    out->kind = ProgramKind::hostExecutable;
    return host::MayExecute(out->hostPath) ? ERROR_SUCCESS : LONG(ERROR_ACCESS_DENIED);
  }
  if (first.substr(0, 2) == "MZ") {
    out->kind = ProgramKind::recordedOnly;
    return ERROR_SUCCESS;
  }
  return ERROR_BAD_EXE_FORMAT;
}

// ---- starting ----

struct Launch {
  std::u16string program;      // full Windows path of an existing file
  std::u16string commandLine;  // as the program receives it
  std::u16string arguments;    // the command line after the program item
  std::u16string directory;    // full Windows path of an existing folder
  Environment environment;
};

DWORD NextRecordedProcessId() {
  static std::atomic<DWORD> next{0x40000000};
  return next.fetch_add(4);
}

LONG SpawnHost(const std::string& program, const std::vector<std::string>& args, const Launch& launch,
               host::ProcessId* pid) {
  Environment env = launch.environment;
  SetVariable(env, "QZ_SYSTEM_ROOT", MachineRoot());
  SetVariable(env, "QZ_CURRENT_DIRECTORY", WideToUtf8(launch.directory));
  return host::StartProcess(program, args, env, HostPath(launch.directory), pid);
}

void ReportMissingToolsProgram(const std::string& tool) {
  static std::atomic<bool> reported{false};
  if (reported.exchange(true)) return;
  ConsoleLine(Utf8ToWide("The system tool " + tool +
                         " cannot run: the host program qzsystemtools was not found (build it, or name it in "
                         "QZ_SYSTEM_TOOLS)."),
              true);
}

LONG StartProgram(const Launch& launch, std::shared_ptr<ProcessState>* process) {
  handles::ReapOrphans();
  Program program;
  if (LONG rc = ExamineProgram(launch.program, &program); rc != ERROR_SUCCESS) return rc;
  if (program.kind == ProgramKind::recordedOnly) {
    std::u16string recorded = launch.program;
    if (!launch.arguments.empty()) recorded += u" " + launch.arguments;
    AppendJournal(u"start", recorded, 0, launch.directory, ElevationOf(launch.environment));
    *process = handles::EndedProcess(0, NextRecordedProcessId());
    return ERROR_SUCCESS;
  }
  std::vector<std::string> args;
  std::string executable = program.hostPath;
  if (program.kind == ProgramKind::systemTool) {
    executable = SystemToolsProgram();
    if (executable.empty()) {
      ReportMissingToolsProgram(program.tool);
      return ERROR_FILE_NOT_FOUND;
    }
    args = {executable, program.tool, WideToUtf8(launch.commandLine)};
  } else {
    args.push_back(program.hostPath);
    std::vector<std::u16string> windowsArgs = CommandLineToArguments(launch.commandLine);
    for (size_t i = 1; i < windowsArgs.size(); ++i) args.push_back(WideToUtf8(windowsArgs[i]));
  }
  host::ProcessId pid = -1;
  if (LONG rc = SpawnHost(executable, args, launch, &pid); rc != ERROR_SUCCESS) return rc;
  *process = handles::HostProcess(pid, DWORD(pid));
  return ERROR_SUCCESS;
}

// Starts and waits: the exit code, or -1 with errno.
int RunAndWait(const Launch& launch) {
  std::shared_ptr<ProcessState> process;
  if (LONG rc = StartProgram(launch, &process); rc != ERROR_SUCCESS) {
    errno = ErrnoOf(rc);
    return -1;
  }
  return int(handles::WaitForExit(process));
}

LONG LaunchDirectory(LPCWSTR requested, std::u16string* directory) {
  *directory = requested ? FullWindowsPath(requested) : GetCurrentDirectory();
  return !directory->empty() && IsDirectory(*directory) ? ERROR_SUCCESS : LONG(ERROR_DIRECTORY);
}

// The program of a command line, found as CreateProcessW finds it.
LONG FindProgramOfCommandLine(std::u16string_view commandLine, Launch* launch) {
  std::u16string_view line = SkipBlanks(commandLine);
  if (line.empty()) return ERROR_INVALID_PARAMETER;
  if (line[0] == u'"') {
    size_t close = line.find(u'"', 1);
    std::u16string_view name = line.substr(1, close == std::u16string_view::npos ? close : close - 1);
    std::optional<std::u16string> found = SearchProgramFile(name, true);
    if (!found) return ERROR_FILE_NOT_FOUND;
    launch->program = *found;
    launch->arguments = SkipBlanks(close == std::u16string_view::npos ? u"" : line.substr(close + 1));
    return ERROR_SUCCESS;
  }
  for (size_t end = 1; end <= line.size(); ++end) {
    if (end < line.size() && !IsBlank(line[end])) continue;
    if (std::optional<std::u16string> found = SearchProgramFile(line.substr(0, end), true)) {
      launch->program = *found;
      launch->arguments = SkipBlanks(line.substr(end));
      return ERROR_SUCCESS;
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

// The command processor: COMSPEC, or cmd.exe of the system folders.
std::optional<std::u16string> CommandProcessor() {
  if (std::optional<std::u16string> comspec = GetEnvironmentVariable(u"COMSPEC")) {
    std::u16string full = FullWindowsPath(*comspec);
    if (full.empty() || !IsRegularFile(full)) return std::nullopt;
    return full;
  }
  return SearchProgramFile(u"cmd.exe", false);
}

}  // namespace

intptr_t _wspawnv(int mode, const char16_t* cmdname, const char16_t* const* argv) {
  if (!cmdname || !argv || !argv[0] || mode != _P_WAIT) {
    errno = EINVAL;
    return -1;
  }
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) {
    errno = ErrnoOf(rc);
    return -1;
  }
  Launch launch;
  launch.program = FullWindowsPath(cmdname);
  if (!launch.program.empty() && !IsRegularFile(launch.program) && !HasExtension(launch.program)) {
    for (const char16_t* extension : {u".com", u".exe"})
      if (IsRegularFile(launch.program + extension)) {
        launch.program += extension;
        break;
      }
  }
  launch.commandLine = argv[0];
  for (const char16_t* const* a = argv + 1; *a; ++a) {
    launch.commandLine += u" ";
    launch.commandLine += *a;
    launch.arguments += (a == argv + 1 ? u"" : u" ") + std::u16string(*a);
  }
  launch.directory = GetCurrentDirectory();
  launch.environment = CurrentEnvironment();
  return RunAndWait(launch);
}

int _wsystem(const char16_t* command) {
  std::optional<std::u16string> processor = CommandProcessor();
  if (!command) return processor ? 1 : 0;
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) {
    errno = ErrnoOf(rc);
    return -1;
  }
  if (!processor) {
    errno = ENOENT;
    return -1;
  }
  Launch launch;
  launch.program = *processor;
  launch.arguments = u"/c " + std::u16string(command);
  launch.commandLine = QuotedIfBlank(*processor) + u" " + launch.arguments;
  launch.directory = GetCurrentDirectory();
  launch.environment = CurrentEnvironment();
  return RunAndWait(launch);
}

int system(const char* command) {
  if (!command) return _wsystem(nullptr);
  std::u16string wide = AnsiToWide(command);
  return _wsystem(wide.c_str());
}

BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL,
                    DWORD dwCreationFlags, void* lpEnvironment, LPCWSTR lpCurrentDirectory,
                    STARTUPINFOW* lpStartupInfo, PROCESS_INFORMATION* lpProcessInformation) {
  auto fail = [](LONG error) {
    SetLastError(DWORD(error));
    return FALSE;
  };
  if (LONG rc = InjectedFault(); rc != ERROR_SUCCESS) return fail(rc);
  if (!lpStartupInfo || !lpProcessInformation || (!lpApplicationName && !lpCommandLine))
    return fail(ERROR_INVALID_PARAMETER);
  if (dwCreationFlags & CREATE_SUSPENDED) return fail(ERROR_NOT_SUPPORTED);
  Launch launch;
  if (LONG rc = LaunchDirectory(lpCurrentDirectory, &launch.directory); rc != ERROR_SUCCESS) return fail(rc);
  launch.commandLine = lpCommandLine ? std::u16string(lpCommandLine) : QuotedIfBlank(lpApplicationName);
  if (lpApplicationName) {
    launch.program = FullWindowsPath(lpApplicationName);
    if (launch.program.empty()) return fail(ERROR_INVALID_NAME);
    launch.arguments = SplitProgramItem(launch.commandLine).rest;
  } else if (LONG rc = FindProgramOfCommandLine(launch.commandLine, &launch); rc != ERROR_SUCCESS) {
    return fail(rc);
  }
  launch.environment = lpEnvironment ? EnvironmentOfBlock(lpEnvironment, dwCreationFlags & CREATE_UNICODE_ENVIRONMENT)
                                     : CurrentEnvironment();
  std::shared_ptr<ProcessState> process;
  if (LONG rc = StartProgram(launch, &process); rc != ERROR_SUCCESS) return fail(rc);
  *lpProcessInformation = PROCESS_INFORMATION{};
  lpProcessInformation->hProcess = handles::NewProcessHandle(process);
  lpProcessInformation->hThread = handles::NewThreadHandle(process);
  lpProcessInformation->dwProcessId = handles::ProcessIdOf(process);
  lpProcessInformation->dwThreadId = lpProcessInformation->dwProcessId;
  return TRUE;
}

DWORD GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer) {
  if (!lpszLongPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::u16string path = lpszLongPath;  // the output may overwrite the input
  std::u16string full = FullWindowsPath(path);
  if (full.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  if (!GetFileStatus(full)) {
    SetLastError(DWORD(NotFoundError(full)));
    return 0;
  }
  if (!lpszShortPath || cchBuffer <= path.size()) return DWORD(path.size() + 1);
  std::copy(path.begin(), path.end(), lpszShortPath);
  lpszShortPath[path.size()] = u'\0';
  return DWORD(path.size());
}

std::vector<std::u16string> CommandLineToArguments(std::u16string_view commandLine) {
  std::vector<std::u16string> args;
  ProgramItem first = SplitProgramItem(commandLine);
  if (SkipBlanks(commandLine).empty()) return args;
  args.push_back(first.program);
  std::u16string_view s = first.rest;
  size_t i = 0;
  while (true) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i >= s.size()) return args;
    std::u16string arg;
    bool quoted = false;
    while (i < s.size()) {
      size_t backslashes = 0;
      while (i < s.size() && s[i] == u'\\') ++backslashes, ++i;
      if (i < s.size() && s[i] == u'"') {
        arg.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {
          arg += u'"';
        } else if (quoted && i + 1 < s.size() && s[i + 1] == u'"') {
          arg += u'"';  // "" inside quotes is a literal quote
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
        continue;
      }
      arg.append(backslashes, u'\\');
      if (i >= s.size() || (!quoted && IsBlank(s[i]))) break;
      arg += s[i++];
    }
    args.push_back(std::move(arg));
  }
}

ProgramItem SplitProgramItem(std::u16string_view commandLine) {
  std::u16string_view s = SkipBlanks(commandLine);
  ProgramItem item;
  bool quoted = false;
  size_t i = 0;
  for (; i < s.size(); ++i) {
    if (s[i] == u'"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && IsBlank(s[i])) break;
    item.program += s[i];
  }
  item.rest = SkipBlanks(s.substr(i));
  return item;
}

std::optional<std::u16string> SearchProgramFile(std::u16string_view name, bool addExe) {
  if (name.empty()) return std::nullopt;
  std::u16string file(name);
  if (addExe && !HasExtension(file)) file += u".exe";
  if (file.find_first_of(u"\\/:") != std::u16string::npos) {
    std::u16string full = FullWindowsPath(file);
    if (!full.empty() && IsRegularFile(full)) return full;
    return std::nullopt;
  }
  std::u16string windows = GetEnvironmentVariable(u"SystemRoot").value_or(u"C:\\windows");
  for (const std::u16string& folder :
       {GetCurrentDirectory(), windows + u"\\system32", windows + u"\\system", windows}) {
    std::u16string full = FullWindowsPath(folder + u"\\" + file);
    if (!full.empty() && IsRegularFile(full)) return full;
  }
  return std::nullopt;
}

std::u16string EnvironmentBlockWith(std::u16string_view name, std::u16string_view value) {
  Environment env = CurrentEnvironment();
  SetVariable(env, WideToUtf8(name), WideToUtf8(value));
  std::u16string block;
  for (const std::string& e : env) {
    block += Utf8ToWide(e);
    block += u'\0';
  }
  block += u'\0';
  return block;
}

}  // namespace win
