#include "desktop/preview_handlers.h"

#include <optional>

#include "base/file_helpers.h"
#include "base/install_path.h"
#include "base/install_state.h"
#include "base/native_processor.h"
#include "platform/base/text.h"
#include "platform/host/machine.h"
#include "platform/win/code_page.h"
#include "platform/win/process.h"

namespace qz {
namespace {

struct DllPair {
  std::u16string_view schematic;
  std::u16string_view symbol;
};
constexpr DllPair kX64Dlls = {u"ASCx64.dll", u"ASYx64.dll"};
constexpr DllPair kX86Dlls = {u"ASCx86.dll", u"ASYx86.dll"};

enum class Direction { registering, unregistering };

std::u16string InstalledDll(std::u16string_view name) {
  return JoinInstallPath(SharedInstallState().targetDirectory, name);
}

// regsvr32.exe in the folder of the command processor that COMSPEC names
// (COMSPEC as it is when it has no folder); nothing without COMSPEC.
std::optional<std::u16string> Regsvr32Path() {
  std::optional<std::u16string> comspec = win::GetEnvironmentVariable(u"COMSPEC");
  if (!comspec) return std::nullopt;
  const size_t cut = comspec->rfind(u'\\');
  if (cut != std::u16string::npos) comspec->resize(cut);
  return *comspec + u"\\regsvr32.exe";
}

std::optional<std::u16string> UsableRegsvr32() {
  std::optional<std::u16string> path = Regsvr32Path();
  if (path && FileExists(*path)) return path;
  return std::nullopt;
}

// The volumes may keep no short names: then this is the long form.
std::optional<std::u16string> ShortPath(std::u16string_view path) {
  const std::u16string longPath(path);
  std::u16string buffer(win::MAX_PATH, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const win::DWORD length = win::GetShortPathNameW(longPath.c_str(), buffer.data(), win::DWORD(buffer.size()));
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.assign(length, u'\0');  // too small: length is the size needed
  }
  return std::nullopt;
}

// What regsvr32 gets as its DLL argument: the short path, quoted when it
// has a space; empty when the file does not exist (regsvr32 then fails).
std::u16string DirectArgument(std::u16string_view dllPath) {
  std::u16string argument = ShortPath(dllPath).value_or(u"");
  if (argument.find(u' ') != std::u16string::npos) return win::Format(u"\"%ls\"", argument);
  return argument;
}

intptr_t StartRegsvr32(const std::u16string& program, Direction direction, std::u16string_view dllPath) {
  const std::u16string argument = DirectArgument(dllPath);
  if (direction == Direction::unregistering)
    return win::_wspawnl(win::_P_WAIT, program.c_str(), u"regsvr32.exe", u"/s", u"/u", argument.c_str(), nullptr);
  return win::_wspawnl(win::_P_WAIT, program.c_str(), u"regsvr32.exe", u"/s", argument.c_str(), nullptr);
}

std::string CommandText(Direction direction, std::u16string_view dllPath) {
  std::string command = direction == Direction::unregistering ? "regsvr32.exe /s /u " : "regsvr32.exe /s ";
  const std::string path = GetShortPathAnsi(dllPath);
  if (path.find(' ') != std::string::npos) return command + '"' + path + '"';
  return command + path;
}

void RunThroughCommandProcessor(Direction direction, std::u16string_view dllPath) {
  win::system(CommandText(direction, dllPath).c_str());
}

// The byte that stands for the character in the ANSI code page, or nothing.
std::optional<char> AnsiByteOf(char16_t c) {
  if (c != u'\0' && c < 0x80) return char(c);
  for (unsigned byte = 0x80; byte <= 0xFF; ++byte)
    if (win::AnsiCharToWide((unsigned char)byte) == c) return char(byte);
  return std::nullopt;
}

}  // namespace

std::string GetShortPathAnsi(std::u16string_view path) {
  std::optional<std::u16string> shortPath = ShortPath(path);
  if (!shortPath) return {};
  std::string bytes;
  for (char16_t c : *shortPath) {
    std::optional<char> byte = AnsiByteOf(c);
    // Dropping or replacing the character would name another file.
    if (!byte) return {};
    bytes += *byte;
  }
  return bytes;
}

void RegisterPreviewHandlers() {
  std::optional<std::u16string> regsvr32 = UsableRegsvr32();
  if (!regsvr32) {
    RegisterPreviewHandlersByShell();
    return;
  }
  // The x64 pair whatever the processor: on 32-bit Windows it is not
  // installed, the runs fail, and the fallback registers the x86 pair.
  bool registered = true;
  for (std::u16string_view dll : {kX64Dlls.schematic, kX64Dlls.symbol})
    if (StartRegsvr32(*regsvr32, Direction::registering, InstalledDll(dll)) != 0) registered = false;
  if (!registered) RegisterPreviewHandlersByShell();
}

void RegisterPreviewHandlersByShell() {
  const DllPair& pair = IsNative64BitWindows() ? kX64Dlls : kX86Dlls;
  for (std::u16string_view dll : {pair.schematic, pair.symbol})
    RunThroughCommandProcessor(Direction::registering, InstalledDll(dll));
}

void UnregisterServerDll(std::u16string_view dllPath) {
  if (std::optional<std::u16string> regsvr32 = UsableRegsvr32()) {
    StartRegsvr32(*regsvr32, Direction::unregistering, dllPath);
    return;
  }
  RunThroughCommandProcessor(Direction::unregistering, dllPath);
}

}  // namespace qz
