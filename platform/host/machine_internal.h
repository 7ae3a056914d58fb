// Between the files of the machine: its Windows side (machine.cpp) and its
// host lookup (machine_linux.cpp), and the machine's files that keep the
// name lookup current.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace win {

// A Windows path split into the host folder of its drive and its components
// as spelled; the components point into full.
struct SpelledPath {
  std::u16string full;
  std::string base;
  std::vector<std::u16string_view> parts;
};

// The full path and its host folder and components; false when the path is
// not valid on Windows.
bool SplitSpelled(std::u16string_view path, SpelledPath& out);

// The host path of the path as spelled, without asking the file system: the
// one to try first where the file is expected to exist. Empty when the path
// is not valid on Windows.
std::string SpelledHostPath(std::u16string_view path);

// Opens an existing host file for reading, found as HostPath finds it: a
// descriptor of the C runtime, as zlib takes one, or -1 when it cannot be
// opened.
int OpenHostForReading(std::u16string_view path);
// Closes what OpenHostForReading opened, when nothing took it over.
void CloseHostDescriptor(int descriptor);

// The layer created or removed this host file or directory.
void NoteHostEntryAdded(const std::string& hostPath);
void NoteHostEntryRemoved(const std::string& hostPath);

// The host's login name for the profile, "user" when it has none.
std::u16string LoginName();
// Creates the host folder and any missing folders on its way.
void MakeHostDirectories(const std::string& path);
// Forgets the folder listings that the lookup has read.
void ForgetHostListings();
bool IsHostDirectory(const std::string& hostPath);

}  // namespace win
