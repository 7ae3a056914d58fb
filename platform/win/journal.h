// The journal of the machine's system programs: $QZ_SYSTEM_ROOT/journal.log,
// one UTF-8 line per run, appended when the run ends, with six fields
// separated by tabs:
//
//   2024-05-01T09:30:12.345Z  regsvr32  /s C:\dir\ASCx64.dll  0  C:\  elevated
//   time (UTC)                program   arguments             exit code
//                                                   current directory, elevation
//
// The program is "cmd", "regsvr32" or "runas" for the stand-ins of
// C:\windows\system32, or "start" for a product program that the machine
// only records: its arguments are its full path, then the arguments it was
// given. Elevation is "elevated", "not elevated" or "unknown" (a failing
// token query). Control characters inside a field are written as spaces.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win/security.h"

namespace win {

struct JournalEntry {
  std::u16string time;
  std::u16string program;
  std::u16string arguments;
  int exitCode = 0;
  std::u16string directory;
  std::u16string elevation;
};

std::string JournalPath();

// Appends one line; false when the journal cannot be written.
bool AppendJournal(std::u16string_view program, std::u16string_view arguments, int exitCode,
                   std::u16string_view directory, Elevation elevation);

// The lines written so far; lines that are not journal lines are skipped.
std::vector<JournalEntry> ReadJournal();

}  // namespace win
