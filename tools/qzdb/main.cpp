// qzdb: inspects and merges the component databases outside an installation.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "db_kind.h"
#include "engine/file_helpers.h"
#include "models/backup_before_sync.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"

namespace {

std::vector<qzdb::DbKind> AllKinds() {
  std::vector<qzdb::DbKind> kinds = qzdb::ModelKinds();
  for (qzdb::DbKind& k : qzdb::ArchiveKinds()) kinds.push_back(std::move(k));
  return kinds;
}

int Usage(int status) {
  std::string names;
  for (const auto& k : AllKinds()) names += (names.empty() ? "" : ", ") + k.name;
  std::fprintf(status ? stderr : stdout,
               "usage: qzdb merge [--kind KIND] OUTPUT SHIPPED INSTALLED\n"
               "       qzdb dump [--csv] FILE\n"
               "\n"
               "Inspects and merges the component databases of Quenda Zorvel outside an\n"
               "installation, for release engineers and support staff.\n"
               "\n"
               "merge  runs exactly the installer's release sync: INSTALLED is backed up to\n"
               "       INSTALLED.bak, the models or parts of SHIPPED replace those of INSTALLED,\n"
               "       and the result is written to OUTPUT. Message boxes go to standard error.\n"
               "       Exit status 0 when the merge succeeded, 1 when it failed. A backup\n"
               "       that cannot be made aborts as in the installer, with exit status 0.\n"
               "       Unlike the installer, it refuses a SHIPPED file of another kind, keeps\n"
               "       an INSTALLED file of another kind as INSTALLED.bak before SHIPPED\n"
               "       replaces it, and leaves OUTPUT as it was when the merge fails.\n"
               "dump   prints the records of FILE, one per line (--csv: as CSV with a header);\n"
               "       a model library as the name, a tab and the statement. Exit status 1\n"
               "       when FILE cannot be read.\n"
               "\n"
               "KIND is one of: %s; without --kind it follows the extension of\n"
               "INSTALLED (or FILE), ignoring case. Paths are host paths.\n"
               "Exit status 2 for a usage error.\n",
               names.c_str());
  return status;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return s;
}

const qzdb::DbKind* FindKind(const std::vector<qzdb::DbKind>& kinds, const std::string& kind, const std::string& path) {
  std::string wanted = kind;
  bool byExtension = wanted.empty();
  if (byExtension) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return nullptr;
    wanted = Lower(path.substr(dot + 1));
  }
  for (const auto& k : kinds)
    if ((byExtension ? k.extension : k.name) == wanted) return &k;
  return nullptr;
}

// qzdb works on host paths; the layer maps the host's root folder as drive Z:.
std::u16string WindowsPath(const char* hostPath) {
  std::string p = hostPath;
  if (p.empty() || p[0] != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) p = std::string(cwd) + "/" + p;
  }
  return win::WindowsPathOfHost(p);
}

int Refuse(const std::string& why) {
  std::fprintf(stderr, "qzdb: %s\n", why.c_str());
  return 1;
}

// The installer's merge, guarded for files given by hand: the shipped file
// must be of the kind, an installed file of another kind is kept as a
// backup before the shipped file is copied over it, and the result goes to
// a new file that replaces OUTPUT only when the whole merge succeeded.
int Merge(const qzdb::DbKind& kind, const std::string& output, const std::string& shipped,
          const std::string& installed) {
  const std::u16string out = WindowsPath(output.c_str()), ship = WindowsPath(shipped.c_str()),
                       inst = WindowsPath(installed.c_str());
  if (!qz::FileExists(ship)) return Refuse(shipped + " is not a file that can be read");
  if (!kind.holds(ship)) return Refuse(shipped + " is not a " + kind.description + " (or cannot be read)");
  if (kind.copiesOverOtherKinds && qz::FileExists(inst) && !kind.holds(inst)) {
    qz::BackupBeforeSync(inst);
    std::fprintf(stderr, "qzdb: %s is not a %s: it is kept as %s.bak, and %s takes its place\n", installed.c_str(),
                 kind.description.c_str(), installed.c_str(), shipped.c_str());
  }
  std::u16string temporary;
  win::File reserved = win::CreateTemporaryFile(&temporary, qz::ParentDirectory(out));
  if (!reserved || !reserved.Close()) return Refuse("cannot create a new file beside " + output);
  if (!kind.merge(temporary, ship, inst)) {
    win::RemoveFile(temporary);
    return Refuse("the merge failed; " + output + " is unchanged");
  }
  if (auto status = win::GetFileStatus(out); status && status->readOnly) win::SetReadOnly(out, false);
  if (win::RenameFile(temporary, out, true)) {
    win::RemoveFile(temporary);
    return Refuse("cannot replace " + output + "; it is unchanged");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) return Usage(0);
  if (args.empty()) return Usage(2);
  std::string command = args[0];
  args.erase(args.begin());
  std::string kindName;
  bool csv = false;
  std::vector<std::string> paths;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--kind" && i + 1 < args.size()) {
      kindName = Lower(args[++i]);
    } else if (args[i] == "--csv") {
      csv = true;
    } else if (args[i].rfind("--", 0) == 0) {
      return Usage(2);
    } else {
      paths.push_back(args[i]);
    }
  }
  const auto kinds = AllKinds();
  if (command == "merge" && paths.size() == 3 && !csv) {
    const qzdb::DbKind* kind = FindKind(kinds, kindName, paths[2]);
    if (!kind) return Usage(2);
    return Merge(*kind, paths[0], paths[1], paths[2]);
  }
  if (command == "dump" && paths.size() == 1) {
    const qzdb::DbKind* kind = FindKind(kinds, kindName, paths[0]);
    if (!kind) return Usage(2);
    return kind->dump(WindowsPath(paths[0].c_str()), qzdb::DumpOptions{csv}) ? 0 : 1;
  }
  return Usage(2);
}
