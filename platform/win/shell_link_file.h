// Shortcut (".lnk") files in the Shell Link Binary File Format, as far as
// the shell link object uses it. All numbers are little-endian.
//
//   ShellLinkHeader (0x4C bytes)
//     0x00  4  HeaderSize           0x0000004C
//     0x04 16  LinkCLSID            00021401-0000-0000-C000-000000000046
//     0x14  4  LinkFlags            HasLinkInfo, HasName, HasWorkingDir,
//                                   HasArguments, IsUnicode
//     0x18  4  FileAttributes       of the target when it was set
//     0x1C  8  CreationTime         FILETIME, 0 = not known
//     0x24  8  AccessTime           FILETIME, 0 = not known
//     0x2C  8  WriteTime            FILETIME of the target
//     0x34  4  FileSize             low 32 bits of the target's size
//     0x38  4  IconIndex            0
//     0x3C  4  ShowCommand          1 (SW_SHOWNORMAL)
//     0x40  2  HotKey               0
//     0x42 10  reserved             0
//   LinkInfo (no LinkTargetIDList precedes it)
//     0x00  4  LinkInfoSize
//     0x04  4  LinkInfoHeaderSize   0x24: the Unicode offsets follow
//     0x08  4  LinkInfoFlags        1 = VolumeIDAndLocalBasePath
//     0x0C  4  VolumeIDOffset       0x24
//     0x10  4  LocalBasePathOffset
//     0x14  4  CommonNetworkRelativeLinkOffset  0
//     0x18  4  CommonPathSuffixOffset
//     0x1C  4  LocalBasePathOffsetUnicode
//     0x20  4  CommonPathSuffixOffsetUnicode
//     0x24     VolumeID: size 0x11, DriveType 3 (fixed), serial number,
//              VolumeLabelOffset 0x10, empty label
//              LocalBasePath (8-bit, NUL), CommonPathSuffix "" (NUL),
//              LocalBasePathUnicode (NUL), CommonPathSuffixUnicode "" (NUL)
//   StringData, each a 2-byte character count and UTF-16 text without NUL:
//     NAME_STRING (the description), WORKING_DIR, COMMAND_LINE_ARGUMENTS
//   TerminalBlock: 4 zero bytes
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace win {

struct ShellLinkData {
  std::u16string targetPath;  // full Windows path; empty: no LinkInfo
  std::u16string workingDirectory;
  std::u16string description;
  std::u16string arguments;
  uint32_t fileAttributes = 0;
  uint64_t writeTime = 0;  // FILETIME
  uint32_t fileSize = 0;
};

enum : uint32_t {
  FILE_ATTRIBUTE_READONLY = 0x01,
  FILE_ATTRIBUTE_DIRECTORY = 0x10,
  FILE_ATTRIBUTE_ARCHIVE = 0x20,
};

std::vector<uint8_t> EncodeShellLink(const ShellLinkData& link);

// Reads a link file (also one with a LinkTargetIDList or extra data, which
// are skipped). Nothing for a file that is not a well-formed link, with the
// reason in *problem.
std::optional<ShellLinkData> DecodeShellLink(const std::vector<uint8_t>& bytes, std::string* problem);

}  // namespace win
