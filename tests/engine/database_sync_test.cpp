#include "engine/database_sync.h"

#include <gtest/gtest.h>

#include <functional>

#include "archive/database_doc.h"
#include "archive/database_file.h"
#include "base/file_helpers.h"
#include "engine/install_worker.h"
#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "tests/engine/user_databases.h"
#include "tests/support/temp_machine.h"
#include "tests/support/test_catalogue.h"

namespace {

using qztest::Capacitors;
using qztest::ModelLibrary;
using qztest::Resistors;
using Database = qztest::UserDatabase;

const std::vector<Database>& Databases() { return qztest::UserDatabases(); }

// The entries of a database as "name=value" texts, whatever its kind.
std::vector<std::string> Entries(const std::string& name, std::u16string_view path) {
  std::vector<std::string> out;
  auto archive = [&](auto read, auto value) {
    auto result = read(path);
    if (!result) return;
    for (const auto& r : (*result)->Records()) out.push_back(win::WideToUtf8(r->partNumber) + "=" + value(*r));
  };
  auto number = [](float v) { return std::to_string(int(v)); };
  if (name == "standard.cap")
    archive(qz::ReadDatabase<qz::CCapacitorDoc>, [&](const qz::CCapacitorRec& r) { return number(r.capacitance); });
  else if (name == "standard.ind" || name == "standard.bead")
    archive(qz::ReadDatabase<qz::CInductorDoc>, [&](const qz::CInductorRec& r) { return number(r.inductance); });
  else if (name == "standard.res")
    archive(qz::ReadDatabase<qz::CResistorDoc>, [&](const qz::CResistorRec& r) { return number(r.resistance); });
  else {
    std::string text = "\n" + qztest::ReadHostFile(win::HostPath(path));
    for (size_t pos = 0; (pos = text.find("\n.model ", pos)) != std::string::npos; ++pos) {
      size_t nameEnd = text.find(' ', pos + 8);
      size_t v = text.find("V=", nameEnd);
      out.push_back(text.substr(pos + 8, nameEnd - pos - 8) + "=" + text.substr(v + 2, 1));
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

class UpdateInstallation : public qztest::TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    for (const Database& db : Databases()) catalogue_.Add(".\\lib\\cmp\\" + db.name, db.make(true));
    catalogue_.Add(".\\lib\\sym\\after.asy", std::string(1200, 'y'));
    state_.targetDirectory = u"C:\\Q";
    state_.executableChoice = 1;
  }
  std::u16string Installed(const std::string& name) const { return u"C:\\Q\\lib\\cmp\\" + win::Utf8ToWide(name); }
  void InstallUserDatabases() {
    for (const Database& db : Databases()) PutFile(Installed(db.name), db.make(false));
  }
  void Run(int update) {
    state_.updateInstall = update;
    qz::RunInstallWorker(catalogue_.Catalogue(), state_, {.unregisterDll = {}, .syncDatabase = qz::SyncDatabaseEntry});
    ASSERT_TRUE(state_.InstallDone());
  }
  std::vector<std::u16string> TemporaryFiles() const {
    std::vector<std::u16string> left;
    for (const std::u16string& n : win::ListDirectory(win::TemporaryDirectory()))
      if (n.starts_with(u"tmp")) left.push_back(n);
    return left;
  }

  qztest::TestCatalogue catalogue_;
  qz::InstallState state_;
};

TEST_F(UpdateInstallation, OverwriteReplacesEveryDatabase) {
  InstallUserDatabases();
  Run(0);
  for (const Database& db : Databases()) {
    SCOPED_TRACE(db.name);
    EXPECT_EQ(GetFile(Installed(db.name)), db.make(true));
    EXPECT_FALSE(HostExists(Installed(db.name) + u".bak"));
  }
}

TEST_F(UpdateInstallation, UpdateKeepsUserEntriesAndBacksUp) {
  InstallUserDatabases();
  Run(1);
  for (const Database& db : Databases()) {
    SCOPED_TRACE(db.name);
    auto merged = Entries(db.name, Installed(db.name));
    // The shipped "shared" replaces the user's "SHARED", whatever the letter case.
    EXPECT_EQ(merged, (std::vector<std::string>{"NEWPART=3", "USER=9", "shared=2"}));
    EXPECT_EQ(GetFile(Installed(db.name) + u".bak"), db.make(false));
  }
  EXPECT_TRUE(TemporaryFiles().empty());
  EXPECT_TRUE(MessageTexts().empty());
  EXPECT_EQ(state_.StatusText(), u"Extracting: .\\lib\\sym\\after.asy.gz\n");
}

// The merges' temporary files follow the extraction's rule: a TMP that
// names no folder sends them to the root of the current drive.
TEST_F(UpdateInstallation, TmpNamingAMissingFolderUsesTheDriveRoot) {
  InstallUserDatabases();
  ::setenv("TMP", "C:\\no such folder", 1);
  Run(1);
  for (const Database& db : Databases()) {
    SCOPED_TRACE(db.name);
    EXPECT_EQ(Entries(db.name, Installed(db.name)), (std::vector<std::string>{"NEWPART=3", "USER=9", "shared=2"}));
  }
  EXPECT_TRUE(MessageTexts().empty());
  EXPECT_EQ(win::TemporaryDirectory(), u"C:\\");
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(UpdateInstallation, MissingDatabaseIsWrittenWithoutMerging) {
  InstallUserDatabases();
  ASSERT_FALSE(win::RemoveFile(Installed("standard.res")));
  Run(1);
  EXPECT_EQ(GetFile(Installed("standard.res")), Resistors(true));
  EXPECT_FALSE(HostExists(Installed("standard.res") + u".bak"));
  EXPECT_TRUE(HostExists(Installed("standard.cap") + u".bak"));
}

TEST_F(UpdateInstallation, EmptyCapacitorDatabaseIsReplacedSilently) {
  InstallUserDatabases();
  PutFile(Installed("standard.cap"), "");
  Run(1);
  EXPECT_EQ(GetFile(Installed("standard.cap")), Capacitors(true));
  EXPECT_FALSE(HostExists(Installed("standard.cap") + u".bak"));
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(UpdateInstallation, FailedModelMergeIsReportedAndOverwritten) {
  InstallUserDatabases();
  std::vector<std::u16string> statusAtMessage, messages;
  win::SetMessageBoxHandler([&](const win::MessageBoxRequest& r) {
    statusAtMessage.push_back(state_.StatusText());
    messages.push_back(r.text);
    return win::IDOK;
  });
  // The renames that put merged files in place: standard.bead sorts first,
  // so the second is the BJT library's.
  win::faults::FailNth(win::faults::Op::rename, 2, win::FileErrorKind::diskFull);
  Run(1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], u"Trouble merging BJT databases.\n    ...overwriting");
  EXPECT_EQ(statusAtMessage[0], u"Merging: .\\lib\\cmp\\standard.bjt.gz\n");
  EXPECT_EQ(GetFile(Installed("standard.bjt")), ModelLibrary("NPN", true));
  EXPECT_EQ(GetFile(Installed("standard.bjt") + u".bak"), ModelLibrary("NPN", false));
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(UpdateInstallation, ShippedDatabaseThatCannotBeWrittenOutEndsTheProcess) {
  InstallUserDatabases();
  struct Case {
    const char* name;
    win::faults::Op op;
    uint64_t nth, times;
    std::string message;
  } cases[] = {
      {"reserve", win::faults::Op::open, 1, 1, "Trouble creating temporary file.\nOut of disk space"},
      {"open", win::faults::Op::open, 2, 3, "Trouble creating temporary file."},
      {"write", win::faults::Op::write, 1, 1, "Trouble writing file \".*\\\\tmp[0-9]+\""},
      {"gunzip", win::faults::Op::open, 3, 1,
       "Trouble un-gziping tmpfile: .*\\\\tmp[0-9]+\nCould not open uncompression input"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    win::SetMessageBoxHandler(nullptr);
    EXPECT_EXIT(
        {
          win::faults::FailNth(c.op, c.nth, win::FileErrorKind::diskFull, c.times);
          Run(1);
        },
        ::testing::ExitedWithCode(0), c.message);
    EXPECT_TRUE(TemporaryFiles().empty());
  }
}

}  // namespace
