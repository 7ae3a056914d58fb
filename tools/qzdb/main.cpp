// qzdb: inspects and merges the component databases outside an installation.
#include <cstdio>
#include <string>
#include <vector>

#include "base/backup_before_sync.h"
#include "base/file_helpers.h"
#include "db_kind.h"
#include "engine/database_kinds.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "platform/win/message_box.h"

namespace {

enum ExitStatus { kDone = 0, kFailed = 1, kUsage = 2, kAborted = 3 };

using qz::DatabaseKind;

std::string Narrow(std::u16string_view text) { return win::WideToUtf8(text); }

std::string KindNames() {
  std::string names;
  for (const DatabaseKind& k : qz::DatabaseKinds()) names += (names.empty() ? "" : ", ") + Narrow(k.name);
  return names;
}

int Usage(int status) {
  std::fprintf(status ? stderr : stdout,
               "usage: qzdb merge [--kind KIND] OUTPUT SHIPPED INSTALLED\n"
               "       qzdb merge --installer [--kind KIND] OUTPUT SHIPPED INSTALLED\n"
               "       qzdb dump [--csv] [--kind KIND] FILE\n"
               "\n"
               "Inspects and merges the component databases of Quenda Zorvel outside an\n"
               "installation, for release engineers and support staff.\n"
               "\n"
               "merge  runs the installer's release sync: INSTALLED is backed up to\n"
               "       INSTALLED.bak, the models or parts of SHIPPED replace those of INSTALLED,\n"
               "       and the result is written to OUTPUT. Guarded for files given by hand:\n"
               "       it refuses a SHIPPED file of another kind and a missing INSTALLED file,\n"
               "       keeps an INSTALLED file of another kind as INSTALLED.bak before SHIPPED\n"
               "       replaces it (an empty one needs no backup), never replaces or removes\n"
               "       an existing INSTALLED.bak (it names that file and changes nothing), and\n"
               "       writes a new file that replaces OUTPUT only when the whole merge\n"
               "       succeeded, with the permission bits of the file it replaces; an OUTPUT\n"
               "       that is a symbolic link is written through to its target.\n"
               "--installer\n"
               "       calls the installer's merge exactly as an update does, with no guard\n"
               "       and no file of its own: the same output bytes, the same .bak, the same\n"
               "       messages, and the merge's failure message when it fails. (The installer\n"
               "       would then write the shipped database over INSTALLED; qzdb does not.)\n"
               "dump   prints the records of FILE, one per line (--csv: as CSV with a header);\n"
               "       a model library as the name, a tab and the statement.\n"
               "\n"
               "KIND is one of: %s; without --kind it follows the extension of\n"
               "INSTALLED (or FILE), ignoring case. Paths are host paths. The installer's\n"
               "message boxes go to standard error, one line each, as \"[title] text\" with\n"
               "its line breaks written as \\n.\n"
               "\n"
               "Exit status: 0 done; 1 the merge failed or was refused, or FILE cannot be\n"
               "read; 2 a usage error; 3 the release sync was aborted because INSTALLED\n"
               "could not be backed up (the installer ends there); 255 out of memory.\n",
               KindNames().c_str());
  return status;
}

int Complain(int status, const std::string& why) {
  std::fprintf(stderr, "qzdb: %s\n", why.c_str());
  return status;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return s;
}

// The kind named by --kind, else by the file's extension; null after saying
// why there is none.
const DatabaseKind* FindKind(const std::string& kind, const std::string& path) {
  auto named = [](const std::string& name) -> const DatabaseKind* {
    for (const DatabaseKind& k : qz::DatabaseKinds())
      if (Narrow(k.name) == name) return &k;
    return nullptr;
  };
  if (!kind.empty()) {
    if (const DatabaseKind* k = named(kind)) return k;
    Complain(kUsage, "unknown kind '" + kind + "': the kinds are " + KindNames());
    return nullptr;
  }
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
    Complain(kUsage, path + " has no extension: name its kind with --kind");
    return nullptr;
  }
  const std::string extension = Lower(path.substr(dot + 1));
  if (const DatabaseKind* k = named(extension)) return k;
  Complain(kUsage, "unknown kind '" + extension + "': name it with --kind");
  return nullptr;
}

std::u16string WindowsPath(const std::string& hostPath) { return win::WindowsPathOfHost(win::AbsoluteHostPath(hostPath)); }

// One line a message box, so that a caller can compare them line by line.
int OneLineMessageBox(const win::MessageBoxRequest& r) {
  std::string line = "[" + win::WideToUtf8(r.caption) + "] ";
  for (char c : win::WideToUtf8(r.text)) {
    if (c == '\n')
      line += "\\n";
    else if (c != '\r')
      line += c;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  return (r.type & 0xF) == win::MB_YESNO ? ((r.type & win::MB_DEFBUTTON2) ? win::IDNO : win::IDYES) : win::IDOK;
}

// The installer's merge as an update calls it, and its failure message.
int MergeAsInstaller(const DatabaseKind& kind, const std::string& output, const std::string& shipped,
                     const std::string& installed) {
  try {
    if (kind.merge(WindowsPath(output), WindowsPath(shipped), WindowsPath(installed))) return kDone;
  } catch (const qz::ReleaseSyncAborted&) {
    return kAborted;
  }
  qz::ShowMessageText(kind.failure);
  return kFailed;
}

bool IsEmptyFile(std::u16string_view path) {
  std::optional<win::FileStatus> status = win::GetFileStatus(path);
  return status && status->size == 0;
}

// The installer's merge, guarded for files given by hand (see the usage).
int GuardedMerge(const DatabaseKind& kind, const std::string& output, const std::string& shipped,
                 const std::string& installed) {
  const std::string target = win::FollowHostLinks(output);
  const std::u16string out = WindowsPath(target), ship = WindowsPath(shipped), inst = WindowsPath(installed);
  if (!qz::FileExists(ship)) return Complain(kFailed, shipped + " is not a file that can be read");
  if (!kind.holds(ship)) return Complain(kFailed, shipped + " is not a " + Narrow(kind.description) + " (or cannot be read)");
  if (!qz::FileExists(inst)) return Complain(kFailed, installed + " is not a file that can be read");
  // A model merge always backs up; an archive merge backs up what it merges,
  // and this guard what it replaces, an empty file aside.
  const bool backsUp = !kind.copiesOverOtherKinds || !IsEmptyFile(inst);
  if (backsUp && win::GetFileStatus(inst + u".bak"))
    return Complain(kFailed, installed + ".bak is in the way: the merge would replace that backup. Move it away "
                                         "first; nothing was changed");
  try {
    if (kind.copiesOverOtherKinds && !IsEmptyFile(inst) && !kind.holds(inst)) {
      qz::BackupBeforeSync(inst);
      std::fprintf(stderr, "qzdb: %s is not a %s: it is kept as %s.bak, and %s takes its place\n", installed.c_str(),
                   Narrow(kind.description).c_str(), installed.c_str(), shipped.c_str());
    }
    std::u16string temporary;
    win::File reserved = win::CreateTemporaryFile(&temporary, qz::ParentDirectory(out));
    const std::string noNewFile = "cannot create a new file beside " + output;
    if (!reserved) return Complain(kFailed, noNewFile);
    if (!reserved.Close()) {
      win::RemoveFile(temporary);
      return Complain(kFailed, noNewFile);
    }
    bool merged = false;
    try {
      merged = kind.merge(temporary, ship, inst);
    } catch (const qz::ReleaseSyncAborted&) {
      win::RemoveFile(temporary);
      throw;
    }
    if (!merged) {
      win::RemoveFile(temporary);
      return Complain(kFailed, "the merge failed; " + output + " is unchanged");
    }
    std::optional<unsigned> mode = win::HostFileMode(target);
    if (mode) win::SetHostFileMode(win::HostPath(temporary), *mode);
    if (auto status = win::GetFileStatus(out); status && status->readOnly) win::SetReadOnly(out, false);
    if (win::RenameFile(temporary, out, true)) {
      if (mode) win::SetHostFileMode(target, *mode);
      win::SetReadOnly(temporary, false);
      win::RemoveFile(temporary);
      return Complain(kFailed, "cannot replace " + output + "; it is unchanged");
    }
    return kDone;
  } catch (const qz::ReleaseSyncAborted&) {
    return Complain(kAborted, "the release sync was aborted; " + output + " is unchanged");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) return Usage(kDone);
  if (args.empty()) return Usage(kUsage);
  std::string command = args[0];
  args.erase(args.begin());
  std::string kindName;
  bool csv = false, installer = false;
  std::vector<std::string> paths;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--kind" && i + 1 < args.size()) {
      kindName = Lower(args[++i]);
    } else if (args[i] == "--csv") {
      csv = true;
    } else if (args[i] == "--installer") {
      installer = true;
    } else if (args[i].rfind("--", 0) == 0) {
      return Usage(kUsage);
    } else {
      paths.push_back(args[i]);
    }
  }
  win::SetMessageBoxHandler(OneLineMessageBox);
  if (command == "merge" && paths.size() == 3 && !csv) {
    const DatabaseKind* kind = FindKind(kindName, paths[2]);
    if (!kind) return kUsage;
    return installer ? MergeAsInstaller(*kind, paths[0], paths[1], paths[2])
                     : GuardedMerge(*kind, paths[0], paths[1], paths[2]);
  }
  if (command == "dump" && paths.size() == 1 && !installer) {
    const DatabaseKind* kind = FindKind(kindName, paths[0]);
    if (!kind) return kUsage;
    qzdb::DumpFunction dump = qzdb::ModelDump(kind->name);
    if (!dump) dump = qzdb::ArchiveDump(kind->name);
    return dump(WindowsPath(paths[0]), qzdb::DumpOptions{csv}) ? kDone : kFailed;
  }
  return Usage(kUsage);
}
