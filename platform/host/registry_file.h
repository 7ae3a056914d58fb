// The emulated registry's keys and values, and their text form: a UTF-8 file
// in the syntax of "Windows Registry Editor Version 5.00" files, so a person
// can read it and a Windows registry could import it.
//
//   Windows Registry Editor Version 5.00        header, then one blank line
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Ombra]         one section per key, every key
//   @="text"                                    the default (unnamed) value
//   "Name"="C:\\dir \"quoted\""                 REG_SZ; \\ and \" escaped
//   "Count"=dword:0000002a                      REG_DWORD of exactly 4 bytes
//   "Blob"=hex:01,02,ff                         REG_BINARY
//   "Path"=hex(2):25,00,41,00,25,00,00,00       any other type: hex(<type>)
//
// Sections come in a fixed order (subkeys sorted without regard to ASCII
// case, parents before children); values keep the order in which they were
// first set. A REG_SZ whose bytes are not one NUL-terminated line of text is
// written as hex(1) so that every byte survives. Long hex lists continue on
// the next line after a trailing backslash. Lines end with CR LF.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/win_types.h"

namespace win {

// The types of a value's data.
enum : DWORD {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_DWORD_BIG_ENDIAN = 5,
  REG_LINK = 6,
  REG_MULTI_SZ = 7,
  REG_QWORD = 11,
};

}  // namespace win

namespace win::registry {

struct Value {
  std::u16string name;  // empty: the default value
  DWORD type = 0;
  std::vector<uint8_t> data;
};

struct Key {
  std::u16string name;
  std::vector<Value> values;  // in the order of first setting
  std::vector<Key> subkeys;   // sorted without regard to ASCII case

  Key* FindSubkey(std::u16string_view subkey);
  const Key* FindSubkey(std::u16string_view subkey) const;
  // The existing subkey of that name in any case, or a new one in order.
  Key& AddSubkey(std::u16string_view subkey, bool* created = nullptr);
  bool RemoveSubkey(std::u16string_view subkey);

  const Value* FindValue(std::u16string_view value) const;
  // Replaces the data of a value of that name in any case (its spelling is
  // kept) or appends a new value.
  void SetValue(std::u16string_view value, DWORD type, std::vector<uint8_t> data);
};

enum class Hive { localMachine, currentUser };

struct Tree {
  Key localMachine{u"HKEY_LOCAL_MACHINE", {}, {}};
  Key currentUser{u"HKEY_CURRENT_USER", {}, {}};

  Key& Root(Hive hive) { return hive == Hive::localMachine ? localMachine : currentUser; }
  const Key& Root(Hive hive) const { return hive == Hive::localMachine ? localMachine : currentUser; }
};

inline constexpr std::string_view kFileHeader = "Windows Registry Editor Version 5.00";

// Whether the file can hold the name of a key or value: no control
// characters, no unpaired surrogates; a key name is also not empty, holds no
// backslash and has at most 255 characters.
bool IsStorableValueName(std::u16string_view name);
bool IsStorableKeyName(std::u16string_view name);

std::string FormatRegistryFile(const Tree& tree);

struct ParseError {
  size_t line = 0;  // 1-based
  std::string reason;
};

// Nothing when the text is not a registry file of this form; *error then
// says where and why.
std::optional<Tree> ParseRegistryFile(std::string_view text, ParseError* error);

}  // namespace win::registry
