#include "models/model_library.h"

#include <gtest/gtest.h>
#include <time.h>

#include "base/file_helpers.h"
#include "models/model_reader.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "tests/models/model_test_support.h"
#include "tests/support/temp_machine.h"

namespace {

using qzmodels::Chars;
using qzmodels::SplitCrLf;
using qzmodels::Wide;
using win::faults::Op;

constexpr std::u16string_view kDir = u"C:\\lib\\cmp";
constexpr std::u16string_view kLibrary = u"C:\\lib\\cmp\\standard.bjt";

int HostYear() {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

std::string HeaderBytes(const std::string& kindText) {
  return "* Quenda Zorvel " + kindText + ", " + std::to_string(HostYear()) +
         "\r\n* One .model statement per line.\r\n";
}

qz::ModelRecordList List(qz::ModelKind kind, const std::vector<std::u16string>& statements) {
  qz::ModelRecordList list(kind);
  for (const auto& s : statements)
    list.records.push_back(qz::MakeModelRec(kind, std::u16string(qz::ModelNameOf(s)), s));
  return list;
}

std::vector<std::u16string> Texts(const qz::ModelRecordList& list) {
  std::vector<std::u16string> texts;
  for (const auto& r : list.records) texts.push_back(r->Text());
  return texts;
}

class ModelLibrary : public qztest::TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    int attempts = 0;
    qz::CreateDirectoryTree(kDir, attempts);
  }

  // Names in the library's folder other than the library and its backup:
  // what a replacement may have left behind.
  std::vector<std::u16string> StrayFiles() const {
    std::vector<std::u16string> stray;
    for (const auto& name : win::ListDirectory(kDir))
      if (name != u"standard.bjt") stray.push_back(name);
    return stray;
  }
};

TEST_F(ModelLibrary, EveryModelStatementBecomesARecordOfTheLibrarysKind) {
  PutFile(kLibrary,
          "* bipolar\r\n.model Q1 NPN(IS=1\r\n+ BF=100)\r\n.subckt X 1 2\r\nR1 1 2 1k\r\n.ends\r\n"
          ".MODEL D1 D(Is=1n)\r\n.model\r\n");
  struct Kind {
    qz::ModelKind kind;
    bool (*isOfClass)(const qz::CModelRec&);
  } kinds[] = {
      {qz::ModelKind::bjt, [](const qz::CModelRec& r) { return dynamic_cast<const qz::CBjtRec*>(&r) != nullptr; }},
      {qz::ModelKind::mosfet,
       [](const qz::CModelRec& r) { return dynamic_cast<const qz::CMosfetRec*>(&r) != nullptr; }},
      {qz::ModelKind::jfet, [](const qz::CModelRec& r) { return dynamic_cast<const qz::CJfetRec*>(&r) != nullptr; }},
      {qz::ModelKind::diode,
       [](const qz::CModelRec& r) { return dynamic_cast<const qz::CDiodeRec*>(&r) != nullptr; }},
  };
  for (const Kind& k : kinds) {
    SCOPED_TRACE(win::WideToUtf8(qz::ModelKindShortName(k.kind)));
    std::optional<qz::ModelRecordList> list = qz::ReadModelLibrary(kLibrary, k.kind);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->records.size(), 3u);
    EXPECT_EQ(Texts(*list), (std::vector<std::u16string>{u".model Q1 NPN(IS=1 BF=100)", u".MODEL D1 D(Is=1n)", u".model"}));
    EXPECT_EQ(list->records[0]->Name(), u"Q1");
    EXPECT_EQ(list->records[1]->Name(), u"D1");
    EXPECT_EQ(list->records[2]->Name(), u"");
    for (const auto& r : list->records) {
      EXPECT_TRUE(k.isOfClass(*r));
      EXPECT_EQ(r->GetRuntimeClass(), &win::CObject::classCObject);
    }
  }
}

TEST_F(ModelLibrary, TheSameLibraryIn8BitAnd16BitTextHasTheSameRecords) {
  std::string text = "* lib\r\n.model Q1 NPN(IS=1 ; remark\r\n+ BF=100)\r\n.model Q\xB5 PNP ; r\r\n";
  PutFile(kLibrary, text);
  auto narrow = qz::ReadModelLibrary(kLibrary, qz::ModelKind::bjt);
  PutFile(kLibrary, Wide(text));
  auto wide = qz::ReadModelLibrary(kLibrary, qz::ModelKind::bjt);
  ASSERT_TRUE(narrow && wide);
  EXPECT_EQ(Texts(*narrow), (std::vector<std::u16string>{u".model Q1 NPN(IS=1 BF=100)", u".model Q\u00B5 PNP ; r"}));
  EXPECT_EQ(Texts(*wide), Texts(*narrow));
}

// A mark at the very start is skipped, in either width; one anywhere else is
// an ordinary character, so the statement it begins is none.
TEST_F(ModelLibrary, AByteOrderMarkAtTheStartIsSkipped) {
  const std::string later = ".model A NPN\r\n\xEF\xBB\xBF.model B NPN\r\n.model C NPN\r\n";
  const std::string wideLater = Wide(".model A NPN\r\n") + "\xFF\xFE" + Wide(".model B NPN\r\n.model C NPN\r\n");
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> texts;
  } cases[] = {
      {"8-bit", "\xEF\xBB\xBF" + later, {u".model A NPN", u".model C NPN"}},
      {"16-bit", "\xFF\xFE" + wideLater, {u".model A NPN", u".model C NPN"}},
      {"8-bit, the mark alone", "\xEF\xBB\xBF", {}},
      {"8-bit, a mark's first bytes only", "\xEF\xBB.model A NPN\r\n", {}},
      {"16-bit, the other byte order", "\xFE\xFF" + Wide(".model A NPN\r\n"), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PutFile(kLibrary, c.bytes);
    auto list = qz::ReadModelLibrary(kLibrary, qz::ModelKind::bjt);
    ASSERT_TRUE(list);
    EXPECT_EQ(Texts(*list), c.texts);
  }
  // Past the mark the bytes are read one character each, as ever.
  PutFile(kLibrary, "\xEF\xBB\xBF.model R\xC3\xA9 NPN\r\n");
  auto list = qz::ReadModelLibrary(kLibrary, qz::ModelKind::bjt);
  ASSERT_TRUE(list);
  EXPECT_EQ(Texts(*list), std::vector<std::u16string>{u".model R\u00C3\u00A9 NPN"});
}

TEST_F(ModelLibrary, ReadingFailsOnlyWithoutAReadableFile) {
  PutFile(u"C:\\lib\\cmp\\comments.bjt", "* nothing but comments\r\n.subckt X 1 2\r\n");
  auto empty = qz::ReadModelLibrary(u"C:\\lib\\cmp\\comments.bjt", qz::ModelKind::bjt);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->records.empty());
  EXPECT_FALSE(qz::ReadModelLibrary(u"", qz::ModelKind::bjt));
  EXPECT_FALSE(qz::ReadModelLibrary(u"C:\\lib\\cmp\\missing.bjt", qz::ModelKind::bjt));
  EXPECT_FALSE(qz::ReadModelLibrary(kDir, qz::ModelKind::bjt));
}

TEST_F(ModelLibrary, AReadErrorInsideTheLibraryFailsTheRead) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += ".model Q" + std::to_string(i) + " NPN(BF=100)\r\n";
  PutFile(kLibrary, text);
  win::faults::FailNth(Op::read, 3, win::FileErrorKind::hardIO);
  EXPECT_FALSE(qz::ReadModelLibrary(kLibrary, qz::ModelKind::bjt));
}

TEST_F(ModelLibrary, WritesTheHeaderAndOneStatementPerLine) {
  struct Case {
    qz::ModelKind kind;
    std::string kindText;
  } cases[] = {
      {qz::ModelKind::bjt, "BJT model library (bipolar transistors)"},
      {qz::ModelKind::mosfet, "MOSFET model library (MOSFETs)"},
      {qz::ModelKind::jfet, "JFET model library (junction FETs)"},
      {qz::ModelKind::diode, "diode model library (diodes)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kindText);
    ASSERT_TRUE(qz::WriteModelLibrary(kLibrary, qz::ModelRecordList(c.kind)));
    EXPECT_EQ(GetFile(kLibrary), HeaderBytes(c.kindText));
  }
  ASSERT_TRUE(qz::WriteModelLibrary(kLibrary, List(qz::ModelKind::bjt, {u".model A NPN", u".model"})));
  EXPECT_EQ(GetFile(kLibrary), HeaderBytes(cases[0].kindText) + ".model A NPN\r\n.model\r\n");
}

TEST_F(ModelLibrary, AWrittenLibraryReadsBackAsItsStatements) {
  struct Case {
    const char* what;
    std::vector<std::u16string> statements;
    bool wide;
  } cases[] = {
      {"8-bit characters", {u".model A\u00FF NPN(mfg=Gr\u00FCn) ; remark", u".model", u".model B PNP"}, false},
      {"a character above U+00FF", {u".model A NPN", u".model \u03A9 D(Is=1n)"}, true},
      {"a U+0000 character", {u".model A NPN", std::u16string(u".model B\0", 9)}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(qz::WriteModelLibrary(kLibrary, List(qz::ModelKind::diode, c.statements)));
    std::string bytes = GetFile(kLibrary);
    EXPECT_EQ(bytes.find('\0') != std::string::npos, c.wide);
    auto back = qz::ReadModelLibrary(kLibrary, qz::ModelKind::diode);
    ASSERT_TRUE(back);
    EXPECT_EQ(Texts(*back), c.statements);
  }
  EXPECT_EQ(GetFile(kLibrary).substr(0, 6), Wide("* Q"));  // the header is 16-bit as well
  EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(ModelLibrary, AReadOnlyLibraryIsReplaced) {
  PutFile(kLibrary, "old");
  ASSERT_FALSE(win::SetReadOnly(kLibrary, true));
  ASSERT_TRUE(qz::WriteModelLibrary(kLibrary, List(qz::ModelKind::bjt, {u".model A NPN"})));
  EXPECT_EQ(SplitCrLf(GetFile(kLibrary)).back(), ".model A NPN");
  EXPECT_TRUE(StrayFiles().empty());
}

// A failure anywhere in the write leaves the old library whole: a partly
// written one would be backed up over the good copy by the next update.
TEST_F(ModelLibrary, AFailedWriteLeavesTheLibraryAsItWas) {
  struct Case {
    const char* what;
    void (*arm)();
  } cases[] = {
      {"the new file cannot be created", [] { win::faults::FailNth(Op::open, 1, win::FileErrorKind::accessDenied); }},
      {"the write fails", [] { win::faults::FailNth(Op::write, 1, win::FileErrorKind::hardIO); }},
      {"the write falls short", [] { win::faults::ShortWritesAfter(100); }},
      {"the close fails", [] { win::faults::FailNth(Op::close, 1, win::FileErrorKind::diskFull); }},
      {"the rename fails", [] { win::faults::FailNth(Op::rename, 1, win::FileErrorKind::sharingViolation, 2); }},
  };
  qz::ModelRecordList list = List(qz::ModelKind::bjt, {});
  for (int i = 0; i < 500; ++i) list.records.push_back(qz::MakeModelRec(qz::ModelKind::bjt, u"Q", u".model Q NPN"));
  for (bool readOnly : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (readOnly ? ", read-only library" : ""));
      PutFile(kLibrary, "* the user's library\r\n.model MINE NPN\r\n");
      ASSERT_FALSE(win::SetReadOnly(kLibrary, readOnly));
      c.arm();
      EXPECT_FALSE(qz::WriteModelLibrary(kLibrary, list));
      win::faults::Reset();
      EXPECT_EQ(GetFile(kLibrary), "* the user's library\r\n.model MINE NPN\r\n");
      EXPECT_EQ(win::GetFileStatus(kLibrary)->readOnly, readOnly);
      EXPECT_TRUE(StrayFiles().empty());
      ASSERT_FALSE(win::SetReadOnly(kLibrary, false));
    }
  }
}

TEST_F(ModelLibrary, AnOutputThatCannotBeWrittenFails) {
  qz::ModelRecordList list = List(qz::ModelKind::bjt, {u".model A NPN"});
  EXPECT_FALSE(qz::WriteModelLibrary(u"", list));
  EXPECT_FALSE(qz::WriteModelLibrary(u"C:\\no\\such\\folder\\standard.bjt", list));
  ASSERT_FALSE(win::CreateDirectory(kLibrary));  // a folder in the library's place
  EXPECT_FALSE(qz::WriteModelLibrary(kLibrary, list));
  EXPECT_TRUE(win::IsDirectory(kLibrary));
}

TEST_F(ModelLibrary, NarrowingRewrites16BitTextOnlyWhenEveryCharacterFits) {
  struct Case {
    const char* what;
    std::string before, after;
  } cases[] = {
      {"every character fits", Wide("* a\r\n.model \xB5 D\r\n"), "* a\r\n.model \xB5 D\r\n"},
      {"a character above U+00FF", Wide(".model ") + "\xA9\x03", Wide(".model ") + "\xA9\x03"},
      {"an odd size", Wide(".model A") + "x", Wide(".model A") + "x"},
      {"an empty file", "", ""},
      {"8-bit text", ".model A NPN", ".model A NPN"},
      // As 8-bit text the 0 byte would make the reader take it for 16-bit text.
      {"a U+0000 character", Wide(".model A") + std::string(2, '\0'), Wide(".model A") + std::string(2, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PutFile(kLibrary, c.before);
    qz::NarrowTextFile(kLibrary);
    EXPECT_EQ(GetFile(kLibrary), c.after);
    EXPECT_TRUE(StrayFiles().empty());
  }
  qz::NarrowTextFile(u"C:\\lib\\cmp\\missing.bjt");
  EXPECT_FALSE(HostExists(u"C:\\lib\\cmp\\missing.bjt"));
}

TEST_F(ModelLibrary, ANarrowingThatFailsLeavesTheComplete16BitFile) {
  std::string wide = Wide(std::string(20000, 'q'));
  struct Case {
    const char* what;
    void (*arm)();
    bool readOnly;
  } cases[] = {
      {"the rewrite falls short", [] { win::faults::ShortWritesAfter(5000); }, false},
      {"the close fails", [] { win::faults::FailNth(Op::close, 1, win::FileErrorKind::diskFull); }, false},
      {"the read fails", [] { win::faults::FailNth(Op::read, 1, win::FileErrorKind::hardIO); }, false},
      {"the file is read-only", [] {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PutFile(kLibrary, wide);
    ASSERT_FALSE(win::SetReadOnly(kLibrary, c.readOnly));
    c.arm();
    qz::NarrowTextFile(kLibrary);
    win::faults::Reset();
    EXPECT_TRUE(GetFile(kLibrary) == wide);
    EXPECT_TRUE(StrayFiles().empty());
    ASSERT_FALSE(win::SetReadOnly(kLibrary, false));
  }
}

}  // namespace
