#include "platform/win/journal.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/base/text.h"
#include "platform/host/host_file.h"
#include "platform/host/local_time.h"
#include "platform/host/machine.h"

namespace win {
namespace {

std::string UtcTimeNow() {
  SYSTEMTIME utc = GetSystemTime();
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.wYear, utc.wMonth, utc.wDay, utc.wHour,
                utc.wMinute, utc.wSecond, utc.wMilliseconds);
  return text;
}

std::string Field(std::u16string_view text) {
  std::string utf8 = WideToUtf8(text);
  for (char& c : utf8)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return utf8;
}

const char* ElevationName(Elevation e) {
  switch (e) {
    case Elevation::elevated: return "elevated";
    case Elevation::notElevated: return "not elevated";
    case Elevation::queryFails: return "unknown";
  }
  return "unknown";
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::string JournalPath() { return MachineRoot() + "/journal.log"; }

bool AppendJournal(std::u16string_view program, std::u16string_view arguments, int exitCode,
                   std::u16string_view directory, Elevation elevation) {
  std::string line = UtcTimeNow() + "\t" + Field(program) + "\t" + Field(arguments) + "\t" +
                     std::to_string(exitCode) + "\t" + Field(directory) + "\t" + ElevationName(elevation) + "\n";
  // Appends of whole lines under the lock never interleave between processes.
  return host::AppendUnderLock(JournalPath(), line);
}

std::vector<JournalEntry> ReadJournal() {
  std::vector<JournalEntry> entries;
  std::ifstream in(JournalPath(), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f = SplitTabs(line);
    if (f.size() != 6) continue;
    JournalEntry e;
    e.time = Utf8ToWide(f[0]);
    e.program = Utf8ToWide(f[1]);
    e.arguments = Utf8ToWide(f[2]);
    e.exitCode = std::atoi(f[3].c_str());
    e.directory = Utf8ToWide(f[4]);
    e.elevation = Utf8ToWide(f[5]);
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace win
