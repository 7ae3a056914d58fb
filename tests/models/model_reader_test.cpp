#include "models/model_reader.h"

#include <gtest/gtest.h>

#include "models/model_library.h"
#include "platform/host/fault_injection.h"
#include "tests/models/model_test_support.h"
#include "tests/support/temp_machine.h"

namespace {

using qzmodels::Chars;
using qzmodels::Wide;

class ModelReader : public qztest::TempMachine {
 protected:
  static constexpr std::u16string_view kFile = u"C:\\lib\\standard.bjt";

  std::vector<std::u16string> Statements(const std::string& bytes, bool* wide = nullptr) {
    PutFile(kFile, bytes);
    win::File file = win::File::Open(kFile, win::OpenMode::read);
    EXPECT_TRUE(file);
    qz::ModelLibraryReader reader(file);
    std::vector<std::u16string> statements;
    while (auto s = reader.ReadModelStatement()) statements.emplace_back(*s);
    EXPECT_FALSE(reader.Failed());
    if (wide) *wide = reader.IsWideText();
    return statements;
  }
};

std::string LongLine() {
  std::string line = ".model LONG NPN(";
  for (int i = 0; i < 1200; ++i) line += "P" + std::to_string(i) + "=1 ";
  return line + ")";
}

struct ReaderCase {
  const char* what;
  std::string input;
  std::vector<std::string> statements;
};

const ReaderCase kReaderCases[] = {
    {"CR LF, LF and CR line ends; a last line without end",
     ".model A NPN\r\n.model B PNP\n.model C NPN\r.model D PNP",
     {".model A NPN", ".model B PNP", ".model C NPN", ".model D PNP"}},
    {"empty lines vanish", "\r\n\n\r\r\n.model A NPN\r\n\r\n\r\n", {".model A NPN"}},
    {"comment lines go, indented ones too", "* c\r\n  ; c\r\n\t* c\r\n.model A NPN\r\n*end", {".model A NPN"}},
    {"blank and comment lines between a statement and its + lines",
     ".model A NPN(IS=1\r\n\r\n* note\r\n  ; more\r\n+ BF=100)\r\n",
     {".model A NPN(IS=1 BF=100)"}},
    {"a line of white space only begins a statement that takes the + lines",
     ".model A NPN(IS=1)\r\n   \r\n+ BF=100\r\n.model B PNP\r\n",
     {".model A NPN(IS=1)", "BF=100", ".model B PNP"}},
    {"a remark of a continued line goes", ".model A NPN(IS=1 ; fast\r\n+BF=100)\r\n", {".model A NPN(IS=1 BF=100)"}},
    {"a remark of a one-line statement stays", ".model A NPN(IS=1) ; fast one\r\n", {".model A NPN(IS=1) ; fast one"}},
    {"only the last line of a statement keeps its remark",
     ".model A NPN(IS=1 ; a\r\n+ BF=100 ; b\r\n+ VAF=50) ; c\r\n",
     {".model A NPN(IS=1 BF=100 VAF=50) ; c"}},
    {"+ without space", ".model A NPN\r\n+BF=100\r\n", {".model A NPN BF=100"}},
    {"+ with a space", ".model A NPN\r\n+ BF=100\r\n", {".model A NPN BF=100"}},
    {"+ with a tab, indented", ".model A NPN\r\n  +\tBF=100\r\n", {".model A NPN BF=100"}},
    {"+ with nothing after it adds one space", ".model A NPN(IS=1\r\n+\r\n+BF=1)\r\n+\r\n", {".model A NPN(IS=1 BF=1) "}},
    {"a + line first in the file is a statement of its own", "+ BF=1\r\n.model A NPN\r\n", {"+ BF=1", ".model A NPN"}},
    {"tabs, spaces around = and runs of spaces", ".model A\tNPN( IS = 1e-14   BF\t=\t100 )\r\n",
     {".model A NPN( IS=1e-14 BF=100 )"}},
    {"leading spaces go", "   .model A NPN\r\n\t.model B NPN\r\n", {".model A NPN", ".model B NPN"}},
    {"other leading white space loses only the character before the text", "\f  .model A NPN\r\n",
     {"\f.model A NPN"}},
    {".model alone", ".model\r\n", {".model"}},
    {"a line of several thousand characters", LongLine() + "\r\n", {LongLine()}},
    {"8-bit characters keep their values", ".model \xB5" "A1 NPN(mfg=Gr\xFCn \xA7)\r\n",
     {".model \xB5" "A1 NPN(mfg=Gr\xFCn \xA7)"}},
};

TEST_F(ModelReader, StatementsIn8BitAnd16BitText) {
  for (const ReaderCase& c : kReaderCases) {
    std::vector<std::u16string> expected;
    for (const std::string& s : c.statements) expected.push_back(Chars(s));
    for (bool asWide : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (asWide ? " (16-bit)" : " (8-bit)"));
      bool wide = !asWide;
      EXPECT_EQ(Statements(asWide ? Wide(c.input) : c.input, &wide), expected);
      EXPECT_EQ(wide, asWide);
    }
  }
}

TEST_F(ModelReader, AZeroByteAmongTheFirst4096BytesMeans16BitText) {
  std::string head = ".model A NPN\r\n";
  for (size_t zeroAt : {4095u, 4096u}) {
    SCOPED_TRACE(zeroAt);
    std::string bytes = head + "*" + std::string(zeroAt - head.size() - 1, 'x') + '\0' + "\r\n";
    bool wide = false;
    std::vector<std::u16string> statements = Statements(bytes, &wide);
    EXPECT_EQ(wide, zeroAt < 4096);
    if (!wide) {
      EXPECT_EQ(statements, std::vector<std::u16string>{u".model A NPN"});
    }
  }
  bool wide = true;
  EXPECT_TRUE(Statements("", &wide).empty());
  EXPECT_FALSE(wide);
}

TEST_F(ModelReader, ALastOddByteOf16BitTextIsKept) {
  EXPECT_EQ(Statements(Wide(".model A NP") + "N"), std::vector<std::u16string>{u".model A NPN"});
}

TEST_F(ModelReader, LinesSkipCommentsAndAreNormalised) {
  PutFile(kFile, "* head\r\n\r\n.model A NPN(IS = 1)\r\n  \r\n+ BF\t= 2\r\n");
  win::File file = win::File::Open(kFile, win::OpenMode::read);
  qz::ModelLibraryReader reader(file);
  std::vector<std::u16string> lines;
  while (auto line = reader.ReadModelLine()) lines.emplace_back(*line);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u".model A NPN(IS=1)", u"  ", u"+ BF=2"}));
}

TEST_F(ModelReader, ResetForgetsThePendingLine) {
  PutFile(kFile, ".model A NPN\r\n.model B NPN\r\n.model C NPN\r\n");
  win::File file = win::File::Open(kFile, win::OpenMode::read);
  qz::ModelLibraryReader reader(file);
  EXPECT_EQ(reader.ReadModelStatement(), u".model A NPN");
  reader.Reset();  // B was read as the pending line and is gone
  EXPECT_EQ(reader.ReadModelStatement(), u".model C NPN");
  EXPECT_EQ(reader.ReadModelStatement(), std::nullopt);
  EXPECT_EQ(reader.ReadModelStatement(), std::nullopt);
}

TEST_F(ModelReader, AReadErrorEndsTheInputAndIsReported) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += ".model Q" + std::to_string(i) + " NPN\r\n";
  PutFile(kFile, bytes);
  for (uint64_t failing : {1u, 2u}) {
    SCOPED_TRACE(failing);
    win::File file = win::File::Open(kFile, win::OpenMode::read);
    qz::ModelLibraryReader reader(file);
    win::faults::FailNth(win::faults::Op::read, failing, win::FileErrorKind::hardIO);
    size_t count = 0;
    while (reader.ReadModelStatement()) ++count;
    EXPECT_TRUE(reader.Failed());
    EXPECT_LT(count, 20000u);
    win::faults::Reset();
  }
}

TEST(ModelStatement, KeywordAndName) {
  struct Case {
    std::u16string statement;
    bool isModel;
    std::u16string name;
  } cases[] = {
      {u".model Q1 NPN(IS=1)", true, u"Q1"},
      {u".MODEL q1 npn", true, u"q1"},
      {u".MoDeL\vQ3\fNPN", true, u"Q3"},
      {u".model", true, u""},
      {u".model D1D(Is=1n)", true, u"D1D(Is=1n)"},
      {u".modelx D2 D", true, u"D2"},
      {u".mode", false, u""},
      {u"\uFEFF.model Q1 NPN", false, u"Q1"},
      {u".subckt X1 1 2", false, u"X1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win::WideToUtf8(c.statement));
    EXPECT_EQ(qz::IsModelStatement(c.statement), c.isModel);
    EXPECT_EQ(qz::ModelNameOf(c.statement), c.name);
  }
}

}  // namespace
