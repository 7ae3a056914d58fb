// qzdb's archive database kinds, run as a support engineer types them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "archive_test_util.h"
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
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Qzdb("dump standard.cap").out,
            "ACME\tA1\tX7R\t9.99999972e-10\t50\t0\t0\t0\nMine\tM1\tX7R\t9.99999997e-07\t50\t0\t0\t0\n");
  EXPECT_EQ(qztest::ReadHostFile(HostFile("standard.cap.bak")).substr(0, 2), archivetest::Hex("02 00"));

  // A bead file goes by its extension; a damaged shipped file fails with 1.
  const std::string beads = DocBytes<qz::CInductorDoc>({Ind(u"TOKO", u"B1", 1e-6f)});
  Put("standard.bead", beads);
  Put("damaged.tmp", beads.substr(0, beads.size() - 1));
  run = Qzdb("merge standard.bead damaged.tmp standard.bead");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Unexpected file format."), std::string::npos) << run.err;

  Put("user.db", DocBytes<qz::CResistorDoc>({Res(u"", u"", 10)}));
  Put("shipped.db", DocBytes<qz::CResistorDoc>({Res(u"Acme", u"R10", 10)}));
  EXPECT_EQ(Qzdb("merge --kind RES out.db shipped.db user.db").status, 0);
  EXPECT_EQ(Qzdb("dump --kind res out.db").out, "Acme\tR10\t10\t0.25\t0.00999999978\n");
  EXPECT_EQ(Qzdb("merge out.db shipped.db user.db").status, 2);  // no kind for ".db"
}

TEST_F(QzdbArchive, DumpAsCsvForSpreadsheets) {
  Put("standard.ind", DocBytes<qz::CInductorDoc>({Ind(u"W\u00FCrth Elektronik", u"7447, \"A\"", 3.3e-5f, 1.5f)}));
  Outcome run = Qzdb("dump --csv standard.ind");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "manufacturer,part number,inductance,current rating,series resistance,parallel resistance,"
            "parallel capacitance\r\n"
            "W\xC3\xBCrth Elektronik,\"7447, \"\"A\"\"\",3.30000003e-05,1.5,0,0,0\r\n");
}

TEST_F(QzdbArchive, DumpOfAFileThatCannotBeRead) {
  Put("empty.res", "");
  Outcome run = Qzdb("dump --csv empty.res");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "manufacturer,part number,resistance,power rating,tolerance\r\n");
  run = Qzdb("dump missing.res");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("missing.res was not found."), std::string::npos) << run.err;
  Put("bad.cap", "\x05\x00garbage");
  run = Qzdb("dump bad.cap");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Unexpected file format."), std::string::npos) << run.err;
}

}  // namespace
