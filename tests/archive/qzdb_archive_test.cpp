// qzdb's archive database kinds, run as a support engineer types them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "archive/archive_merge.h"
#include "archive_test_util.h"
#include "platform/host/machine.h"
#include "tests/support/qzdb_run.h"

namespace {

using archivetest::Cap;
using archivetest::DocBytes;
using archivetest::Ind;
using archivetest::Res;

using Outcome = qztest::QzdbOutcome;

using QzdbArchive = qztest::QzdbRun;

TEST_F(QzdbArchive, MergeOfEachKindAndItsExitStatus) {
  Put("standard.cap", DocBytes<qz::CCapacitorDoc>({Cap(u"Mine", u"M1", 1e-6f), Cap(u"Acme", u"a1", 2e-9f)}));
  Put("shipped.tmp", DocBytes<qz::CCapacitorDoc>({Cap(u"ACME", u"A1", 1e-9f)}));
  Outcome run = Qzdb("merge standard.cap shipped.tmp standard.cap");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Qzdb("dump standard.cap").out,
            "ACME\tA1\tX7R\t9.99999972e-10\t50\t0\t0\t0\nMine\tM1\tX7R\t9.99999997e-07\t50\t0\t0\t0\n");
  EXPECT_EQ(qztest::ReadHostFile(HostFile("standard.cap.bak")).substr(0, 2), archivetest::Hex("02 00"));

  // A bead file goes by its extension; a damaged shipped file fails with 1.
  const std::string beads = DocBytes<qz::CInductorDoc>({Ind(u"TOKO", u"B1", 1e-6f)});
  Put("standard.bead", beads);
  Put("damaged.tmp", beads.substr(0, beads.size() - 1));
  run = Qzdb("merge standard.bead damaged.tmp standard.bead");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Unexpected file format."), std::string::npos) << run.err;

  Put("user.db", DocBytes<qz::CResistorDoc>({Res(u"", u"", 10)}));
  Put("shipped.db", DocBytes<qz::CResistorDoc>({Res(u"Acme", u"R10", 10)}));
  EXPECT_EQ(Qzdb("merge --kind RES out.db shipped.db user.db").exitCode, 0);
  EXPECT_EQ(Qzdb("dump --kind res out.db").out, "Acme\tR10\t10\t0.25\t0.00999999978\n");
  EXPECT_EQ(Qzdb("merge out.db shipped.db user.db").exitCode, 2);  // no kind for ".db"
}

TEST_F(QzdbArchive, DumpAsCsvForSpreadsheets) {
  Put("standard.ind", DocBytes<qz::CInductorDoc>({Ind(u"W\u00FCrth Elektronik", u"7447, \"A\"", 3.3e-5f, 1.5f)}));
  Outcome run = Qzdb("dump --csv standard.ind");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "manufacturer,part number,inductance,current rating,series resistance,parallel resistance,"
            "parallel capacitance\r\n"
            "W\xC3\xBCrth Elektronik,\"7447, \"\"A\"\"\",3.30000003e-05,1.5,0,0,0\r\n");
}

TEST_F(QzdbArchive, DumpOfAFileThatCannotBeRead) {
  Put("empty.res", "");
  Outcome run = Qzdb("dump --csv empty.res");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "manufacturer,part number,resistance,power rating,tolerance\r\n");
  run = Qzdb("dump missing.res");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("missing.res was not found."), std::string::npos) << run.err;
  Put("bad.cap", "\x05\x00garbage");
  run = Qzdb("dump bad.cap");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Unexpected file format."), std::string::npos) << run.err;
}

// Bad input gets a message and status 1, and OUTPUT stays as it was (or
// absent): a missing file, a directory, a file that cannot be read (a fault:
// root reads any file), a truncated or random file, a file of another kind.
class QzdbArchiveBadInput : public QzdbArchive {
 protected:
  void SetUp() override {
    QzdbArchive::SetUp();
    user_ = DocBytes<qz::CCapacitorDoc>({Cap(u"Mine", u"M1", 1e-6f), Cap(u"Mine", u"M2", 2e-6f)});
    Put("user.cap", user_);
    Put("shipped.cap", DocBytes<qz::CCapacitorDoc>({Cap(u"Acme", u"A1", 1e-9f)}));
    Put("trunc.cap", user_.substr(0, user_.size() - 3));
    Put("random.cap", Random(700));
    Put("resistors.res", DocBytes<qz::CResistorDoc>({Res(u"Acme", u"R10", 10)}));
    std::filesystem::create_directories(HostFile("folder.cap"));
  }
  static std::string Random(size_t n) {
    std::string bytes(n, '\0');
    uint32_t x = 2463534242u;
    for (char& c : bytes) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      c = char(x >> 24);
    }
    return bytes;
  }
  std::string user_;
};

TEST_F(QzdbArchiveBadInput, DumpSaysWhyAndFails) {
  struct Case {
    const char* arguments;
    const char* environment;
    const char* message;
  } cases[] = {
      {"dump folder.cap", "", "folder.cap was not found."},
      {"dump trunc.cap", "", "Unexpected file format."},
      {"dump random.cap", "", "Unexpected file format."},
      {"dump --kind res user.cap", "", "Unexpected file format."},
      {"dump user.cap", "QZ_FAULT_FAIL=read:1", "hardware I/O error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    Outcome run = Qzdb(c.arguments, c.environment);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST_F(QzdbArchiveBadInput, MergeSaysWhyAndLeavesTheOutputAsItWas) {
  struct Case {
    const char* arguments;
    const char* environment;
    const char* message;
  } cases[] = {
      {"merge out.cap missing.cap user.cap", "", "missing.cap is not a file that can be read"},
      {"merge out.cap folder.cap user.cap", "", "folder.cap is not a file that can be read"},
      {"merge out.cap random.cap user.cap", "", "random.cap is not a capacitor database"},
      {"merge --kind cap out.cap resistors.res user.cap", "", "resistors.res is not a capacitor database"},
      {"merge out.cap trunc.cap user.cap", "", "Unexpected file format."},
      {"merge user.cap trunc.cap user.cap", "", "the merge failed; user.cap is unchanged"},
      {"merge user.cap shipped.cap trunc.cap", "", "Unexpected file format."},
      {"merge user.cap shipped.cap user.cap", "QZ_FAULT_FAIL=read:6", "the merge failed; user.cap is unchanged"},
      {"merge user.cap shipped.cap user.cap", "QZ_FAULT_FAIL=write:2", "hardware I/O error"},
      {"merge missing/out.cap shipped.cap user.cap", "", "cannot create a new file beside missing/out.cap"},
      {"merge folder.cap shipped.cap user.cap", "", "cannot replace folder.cap"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.environment) + " " + c.arguments);
    std::filesystem::remove(HostFile("user.cap.bak"));
    Outcome run = Qzdb(c.arguments, c.environment);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(qztest::ReadHostFile(HostFile("user.cap")), user_);
    struct stat st;
    EXPECT_NE(::stat(HostFile("out.cap").c_str(), &st), 0) << "out.cap written";
    EXPECT_TRUE(std::filesystem::is_directory(HostFile("folder.cap")));
    EXPECT_EQ(std::filesystem::directory_iterator(HostFile("folder.cap")), std::filesystem::directory_iterator());
  }
}

// The installer copies the shipped file over an installed file of another
// kind without a backup; qzdb, given files by hand, keeps one.
TEST_F(QzdbArchiveBadInput, InstalledFileOfAnotherKindIsKeptBeforeItIsReplaced) {
  Outcome run = Qzdb("merge random.cap shipped.cap random.cap");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("random.cap is not a capacitor database: it is kept as random.cap.bak"), std::string::npos)
      << run.err;
  EXPECT_EQ(qztest::ReadHostFile(HostFile("random.cap.bak")), Random(700));
  EXPECT_EQ(qztest::ReadHostFile(HostFile("random.cap")), qztest::ReadHostFile(HostFile("shipped.cap")));
}

// By hand, an existing backup is never replaced: where the merge (or the
// guard before it) would make one, nothing changes and the file in the way
// is named. An empty installed file needs no backup.
TEST_F(QzdbArchiveBadInput, ABackupInTheWayIsNeverReplacedByHand) {
  const std::string backup = "an older backup";
  struct Case {
    const char* installed;
    const char* contents;
    int status;
  } cases[] = {
      {"user.cap", nullptr, 1},
      {"random.cap", nullptr, 1},
      {"empty.cap", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.installed);
    if (c.contents) Put(c.installed, c.contents);
    const std::string before = qztest::ReadHostFile(HostFile(c.installed));
    Put(std::string(c.installed) + ".bak", backup);
    Outcome run = Qzdb(std::string("merge ") + c.installed + " shipped.cap " + c.installed);
    EXPECT_EQ(run.exitCode, c.status) << run.err;
    EXPECT_EQ(qztest::ReadHostFile(HostFile(std::string(c.installed) + ".bak")), backup);
    if (c.status == 0) {
      EXPECT_EQ(qztest::ReadHostFile(HostFile(c.installed)), qztest::ReadHostFile(HostFile("shipped.cap")));
    } else {
      EXPECT_NE(run.err.find(std::string(c.installed) + ".bak is in the way"), std::string::npos) << run.err;
      EXPECT_EQ(qztest::ReadHostFile(HostFile(c.installed)), before);
    }
  }
}

// The installer's own merge, as an update calls it: no guard, the same bytes
// as the merge called in the installer's process, its messages one line each.
TEST_F(QzdbArchiveBadInput, InstallerModeDoesWhatAnUpdateDoes) {
  auto windows = [&](const std::string& name) { return win::WindowsPathOfHost(HostFile(name)); };
  Put("mine.cap", user_);
  ASSERT_TRUE(qz::MergeCapacitorDatabase(windows("mine.cap"), windows("shipped.cap"), windows("mine.cap")));
  Outcome run = Qzdb("merge --installer user.cap shipped.cap user.cap");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(qztest::ReadHostFile(HostFile("user.cap")), qztest::ReadHostFile(HostFile("mine.cap")));
  EXPECT_EQ(qztest::ReadHostFile(HostFile("user.cap.bak")), user_);

  // A file of another kind is replaced without a backup, one there or not.
  Put("random.cap.bak", "kept");
  EXPECT_EQ(Qzdb("merge --installer random.cap shipped.cap random.cap").exitCode, 0);
  EXPECT_EQ(qztest::ReadHostFile(HostFile("random.cap")), qztest::ReadHostFile(HostFile("shipped.cap")));
  EXPECT_EQ(qztest::ReadHostFile(HostFile("random.cap.bak")), "kept");

  // A shipped file that does not load: the load's message, then the update's.
  Put("user.cap", user_);
  run = Qzdb("merge --installer user.cap trunc.cap user.cap");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err,
            "[qzdb] Unexpected file format.\n"
            "[qzdb] Trouble merging capacitor databases.\\n    ...overwriting\n");
  EXPECT_EQ(qztest::ReadHostFile(HostFile("user.cap")), user_);
}

// A backup that cannot be made ends the sync: status 3 in either mode (the
// installer would end there with 0), and nothing else changed.
TEST_F(QzdbArchiveBadInput, AnAbortedSyncExitsWithThree) {
  std::filesystem::create_directories(HostFile("user.cap.bak"));
  Outcome run = Qzdb("merge --installer user.cap shipped.cap user.cap", "QZ_VIRTUAL_TIME=1");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("user.cap\\nas "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("user.cap.bak\\n\\nRelease sync aborted.\n"), std::string::npos) << run.err;
  EXPECT_EQ(qztest::ReadHostFile(HostFile("user.cap")), user_);
  std::filesystem::remove(HostFile("user.cap.bak"));

  // Every open from the backup's first on fails (after the two header
  // checks and the new file beside OUTPUT).
  run = Qzdb("merge user.cap shipped.cap user.cap", "QZ_VIRTUAL_TIME=1 QZ_FAULT_FAIL=open:6+");
  EXPECT_EQ(run.exitCode, 3) << run.err;
  EXPECT_NE(run.err.find("Release sync aborted."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("qzdb: the release sync was aborted; user.cap is unchanged"), std::string::npos) << run.err;
  EXPECT_EQ(qztest::ReadHostFile(HostFile("user.cap")), user_);
  for (const auto& e : std::filesystem::directory_iterator(HostFile("")))
    EXPECT_FALSE(e.path().filename().string().starts_with("tmp")) << e.path();
}

// The replaced OUTPUT keeps its permission bits, and a link is written
// through to the file it names.
TEST_F(QzdbArchiveBadInput, OutputKeepsItsModeAndItsLink) {
  ASSERT_EQ(::chmod(HostFile("user.cap").c_str(), 0664), 0);
  std::filesystem::create_symlink("user.cap", HostFile("link.cap"));
  Outcome run = Qzdb("merge link.cap shipped.cap user.cap");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(std::filesystem::is_symlink(HostFile("link.cap")));
  struct stat st;
  ASSERT_EQ(::stat(HostFile("user.cap").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
  EXPECT_EQ(Qzdb("dump user.cap").out, "Acme\tA1\tX7R\t9.99999972e-10\t50\t0\t0\t0\nMine\tM1\tX7R\t9.99999997e-07\t50\t0\t0\t0\n"
                                       "Mine\tM2\tX7R\t1.99999999e-06\t50\t0\t0\t0\n");
}

}  // namespace
