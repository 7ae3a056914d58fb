// The emulated Windows machine: one host folder holds its drives
// ("drive_c" is C:), the registry file and the journal of system tools.
// Drive Z: is the host's root folder, so that host paths can be named.
// Windows paths of the product are mapped here onto host paths.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace win {

// The host folder of the machine: $QZ_SYSTEM_ROOT, else
// $XDG_DATA_HOME/quenda-setup/machine, else ~/.local/share/quenda-setup/machine.
// A fresh machine is laid out on first use.
const std::string& MachineRoot();

// Forgets the machine and the current directory and reads the environment
// again; tests call it after pointing QZ_SYSTEM_ROOT at a fresh folder.
void ReloadMachine();

// The login name whose profile C:\users\<name> the machine holds.
const std::u16string& UserName();
// C:\users\<name>
std::u16string UserProfileDirectory();

// The current directory of the emulated process, initially C:\ .
std::u16string GetCurrentDirectory();
bool SetCurrentDirectory(std::u16string_view path);

// A Windows path made absolute against the current directory, with "." and
// ".." resolved and slashes turned into backslashes: "C:\dir\name". Empty
// when the path cannot name a file (bad characters, no drive).
std::u16string FullWindowsPath(std::u16string_view path);

// The host path for a Windows path. Components that exist in another ASCII
// case are found as Windows would find them; a missing tail is kept as
// spelled. Empty when the path is not valid on Windows.
std::string HostPath(std::u16string_view path);

// The Windows path of an absolute host path (Z: outside the machine's
// drives), or empty.
std::u16string WindowsPathOfHost(std::string_view hostPath);

// The process environment as Windows shows it: the host's variables, plus
// COMSPEC, TEMP, TMP, USERPROFILE, APPDATA, LOCALAPPDATA and SystemRoot where
// the host lacks them. A host variable set to the empty text is absent.
std::optional<std::u16string> GetEnvironmentVariable(std::u16string_view name);

// For tools that take host paths from their command line.
// The path made absolute against the host's working directory.
std::string AbsoluteHostPath(std::string_view path);
// A symbolic link followed, link by link, to the file it finally names (an
// absolute path); any other path as it is.
std::string FollowHostLinks(std::string_view hostPath);
// A host file's permission bits, and setting them; nothing, or false, when
// the file cannot be reached.
std::optional<unsigned> HostFileMode(std::string_view hostPath);
bool SetHostFileMode(std::string_view hostPath, unsigned mode);

// Whether a character may appear in a Windows file name component.
bool IsValidNameCharacter(char16_t c);

}  // namespace win
