// The record classes: clean-up on reading, the encodings chosen on writing,
// the record order and the part key.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "archive/archive.h"
#include "archive/capacitor_rec.h"
#include "archive/inductor_rec.h"
#include "archive/record_text.h"
#include "archive/resistor_rec.h"
#include "archive_test_util.h"
#include "platform/base/text.h"
#include "platform/win/code_page.h"

namespace {

using archivetest::Cap;
using archivetest::Hex;
using archivetest::Ind;
using archivetest::Res;
using archivetest::ToHex;

std::string Utf8(std::u16string_view t) { return win::WideToUtf8(t); }

// A one-record file whose texts are written as given, untrimmed.
template <class Rec>
std::string RawFile(std::initializer_list<std::u16string_view> texts, int floats) {
  qz::MemorySink sink;
  qz::CArchive ar(sink);
  const win::CRuntimeClass* cls = Rec::ThisClass();
  ar.WriteCount(1);
  ar.WriteUInt32(0xFFFF | (uint32_t(cls->schema) << 16));
  const std::string name = cls->className;
  std::string head = Hex("00 00");
  head[0] = char(name.size());
  std::string bytes = sink.Bytes() + head + name;
  qz::MemorySink body;
  qz::CArchive bodyArchive(body);
  for (std::u16string_view t : texts) bodyArchive.WriteString(t);
  for (int i = 0; i < floats; ++i) bodyArchive.WriteFloat(float(i + 1));
  return bytes + body.Bytes();
}

template <class Rec>
std::unique_ptr<Rec> ReadOne(const std::string& bytes) {
  qz::MemorySource source(bytes);
  qz::CArchive ar(source);
  EXPECT_EQ(ar.ReadCount(), 1u);
  std::unique_ptr<win::CObject> o(ar.ReadObject());
  EXPECT_FALSE(ar.Failed()) << qz::ArchiveErrorName(ar.Failure().archive);
  auto* rec = dynamic_cast<Rec*>(o.get());
  if (!rec) return nullptr;
  o.release();
  return std::unique_ptr<Rec>(rec);
}

const std::u16string kWurth = u"W\u00FCrth Elektronik";

TEST(RecordText, TrimsTheWindowsWhiteSpace) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"  plain ", u"plain"},
      {u"\t\n\v\f\r x \u0085\u00A0", u"x"},
      {u"\u3000\u2028\u2029\u1680\u2000\u200A\u202F\u205Fx y\u3000", u"x y"},
      {u"\u200Bx\u200B", u"\u200Bx\u200B"},  // zero width space is no white space
      {u"\u001Cx\u00AD", u"\u001Cx\u00AD"},
      {u" \t ", u""},
      {u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.in));
    std::u16string t = c.in;
    qz::TrimText(t);
    EXPECT_EQ(t, c.out);
  }
}

TEST(CapacitorRec, ReadingTrimsAndNormalisesTheManufacturer) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"  wurth ", kWurth},
      {kWurth, kWurth},
      {u"W\u00DCRTH", u"W\u00DCRTH"},  // only ASCII letters match in any case
      {u"W\u00DCrth", u"W\u00DCrth"},
      {u"we EISOS GmbH & Co. KG", kWurth},
      {u"The WUERTH company", kWurth},
      {u"Wurt", u"Wurt"},
      {u"", u""},
      {u"TOKO", u"TOKO"},  // the TOKO rule is the inductors' alone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.in));
    auto rec = ReadOne<qz::CCapacitorRec>(RawFile<qz::CCapacitorRec>({c.in, u" P1 ", u"\u3000X7R"}, 7));
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->manufacturer, c.out);
    EXPECT_EQ(rec->partNumber, u"P1");
    EXPECT_EQ(rec->type, u"X7R");
  }
}

TEST(CapacitorRec, ReservedWordsAreSkippedAndWrittenAsZero) {
  auto rec = ReadOne<qz::CCapacitorRec>(RawFile<qz::CCapacitorRec>({u"A", u"B", u"C"}, 7));
  ASSERT_TRUE(rec);
  // The floats 1 to 7 fill the fields and reserved words in file order.
  EXPECT_EQ(rec->capacitance, 1.0f);
  EXPECT_EQ(rec->voltageRating, 2.0f);
  EXPECT_EQ(rec->rmsCurrentRating, 3.0f);
  EXPECT_EQ(rec->seriesResistance, 4.0f);
  EXPECT_EQ(rec->fifthValue, 6.0f);

  qz::MemorySink sink;
  qz::CArchive ar(sink);
  rec->Serialize(ar);
  const std::string bytes = sink.Bytes();
  ASSERT_EQ(bytes.size(), 6u + 28u);
  EXPECT_EQ(ToHex(bytes.substr(6 + 16)), "00 00 00 00 00 00 C0 40 00 00 00 00");
}

TEST(InductorRec, TokoAndWurthRules) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"TOKO", u"Toko"},
      {u" TOKO\t", u"Toko"},  // trimmed first
      {u"ToKO", u"ToKO"},
      {u"TOKO Inc.", u"TOKO Inc."},
      {u"toko", u"toko"},
      {u"wUeRtH", kWurth},
      {u"Wuerth TOKO", kWurth},
      {u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.in));
    auto rec = ReadOne<qz::CInductorRec>(RawFile<qz::CInductorRec>({c.in, u"L1"}, 5));
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->manufacturer, c.out);
    EXPECT_EQ(rec->parallelCapacitance, 5.0f);
  }
}

TEST(ResistorRec, ManufacturerIsOnlyTrimmed) {
  auto rec = ReadOne<qz::CResistorRec>(RawFile<qz::CResistorRec>({u" Wurth ", u"\u00A0R1"}, 3));
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->manufacturer, u"Wurth");
  EXPECT_EQ(rec->partNumber, u"R1");
  EXPECT_EQ(rec->tolerance, 3.0f);
}

TEST(ResistorRec, AnonymousRecordIsTwoEmptyStringsAndTwelveBytes) {
  qz::CResistorRec r = Res(u"", u"", 1000.0f, 0.25f, 0.01f);
  qz::MemorySink sink;
  qz::CArchive ar(sink);
  r.Serialize(ar);
  EXPECT_EQ(ToHex(sink.Bytes()), "00 00 00 00 7A 44 00 00 80 3E 0A D7 23 3C");
}

TEST(RecordWriting, TrimsInPlaceAndPicksTheStringEncodingPerField) {
  qz::CCapacitorRec r = Cap(u" " + kWurth + u" ", u"\u03A9-1", 1e-9f, 50, u"C0G ");
  qz::MemorySink sink;
  qz::CArchive ar(sink);
  r.Serialize(ar);
  EXPECT_EQ(r.manufacturer, kWurth);
  EXPECT_EQ(r.type, u"C0G");
  const std::string bytes = sink.Bytes();
  const std::string expected = Hex("10 57 FC 72 74 68 20") + "Elektronik" + Hex("FF FE FF 03 A9 03 2D 00 31 00 03") + "C0G";
  EXPECT_EQ(ToHex(bytes.substr(0, expected.size())), ToHex(expected));
}

TEST(CompareRecords, CapacitorOrder) {
  const float nan = std::nanf("");
  struct Case {
    const char* name;
    qz::CCapacitorRec a, b;
    int sign;
  } cases[] = {
      {"capacitance first", Cap(u"Z", u"Z", 1e-9f, 100), Cap(u"A", u"A", 2e-9f, 10), -1},
      {"then voltage", Cap(u"A", u"A", 1e-9f, 100), Cap(u"A", u"A", 1e-9f, 10), 1},
      {"texts ignore ASCII case", Cap(u"ACME", u"GRM-1", 1e-9f, 50, u"x7r"), Cap(u"acme", u"grm-1", 1e-9f, 50, u"X7R"),
       0},
      {"type before manufacturer", Cap(u"B", u"A", 1e-9f, 50, u"A"), Cap(u"A", u"A", 1e-9f, 50, u"B"), -1},
      {"manufacturer before part", Cap(u"A", u"Z", 1e-9f), Cap(u"B", u"A", 1e-9f), -1},
      {"a prefix is first", Cap(u"AC", u"P", 1e-9f), Cap(u"ACME", u"P", 1e-9f), -1},
      {"non-ASCII letters keep their case", Cap(u"\u00C9", u"P", 1e-9f), Cap(u"\u00E9", u"P", 1e-9f), -1},
      {"NaN compares as equal", Cap(u"B", u"P", nan), Cap(u"A", u"P", 1e-9f), 1},
      {"NaN against NaN", Cap(u"A", u"P", nan), Cap(u"A", u"P", nan), 0},
      {"infinities are equal", Cap(u"A", u"P", INFINITY), Cap(u"A", u"P", INFINITY), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int r = qz::CompareRecords(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
    const int back = qz::CompareRecords(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign);
  }
}

TEST(CompareRecords, InductorAndResistorTextsAreCaseSensitive) {
  EXPECT_NE(qz::CompareRecords(Ind(u"Toko", u"L1", 1e-6f), Ind(u"TOKO", u"L1", 1e-6f)), 0);
  EXPECT_LT(qz::CompareRecords(Ind(u"TOKO", u"L1", 1e-6f), Ind(u"Toko", u"L1", 1e-6f)), 0);
  EXPECT_EQ(qz::CompareRecords(Ind(u"Toko", u"L1", 1e-6f), Ind(u"Toko", u"L1", 1e-6f)), 0);
  EXPECT_LT(qz::CompareRecords(Ind(u"Z", u"L1", 1e-6f, 1), Ind(u"A", u"L1", 1e-6f, 2)), 0);
  EXPECT_NE(qz::CompareRecords(Res(u"Ab", u"1", 10), Res(u"AB", u"1", 10)), 0);
  EXPECT_EQ(qz::CompareRecords(Res(u"", u"", 10), Res(u"", u"", 10)), 0);
  EXPECT_EQ(qz::CompareRecords(Res(u"", u"", std::nanf("")), Res(u"", u"", 10)), 0);
  EXPECT_GT(qz::CompareRecords(Res(u"", u"", 10, 0.5f), Res(u"", u"", 10, 0.25f)), 0);
}

TEST(IsSamePart, CapacitorsAndInductorsByPartKey) {
  EXPECT_TRUE(qz::IsSamePart(Cap(u"acme", u"grm-1", 1), Cap(u"ACME", u"GRM-1", 2)));
  EXPECT_FALSE(qz::IsSamePart(Cap(u"ACME", u"", 1), Cap(u"ACME", u"", 1)));
  EXPECT_FALSE(qz::IsSamePart(Cap(u"", u"P1", 1), Cap(u"", u"P1", 1)));
  EXPECT_FALSE(qz::IsSamePart(Cap(u"\u00C9lan", u"P1", 1), Cap(u"\u00E9lan", u"P1", 1)));
  EXPECT_TRUE(qz::IsSamePart(Ind(u"toko", u"a1", 1), Ind(u"TOKO", u"A1", 2)));
  EXPECT_FALSE(qz::IsSamePart(Ind(u"Toko", u"A1", 1), Ind(u"Toko", u"A2", 1)));
}

TEST(IsSamePart, ResistorAnonymousValueRule) {
  const float nan = std::nanf("");
  struct Case {
    const char* name;
    qz::CResistorRec user, shipped;
    bool same;
  } cases[] = {
      {"part key in any case", Res(u"Acme", u"r1", 10), Res(u"ACME", u"R1", 22), true},
      {"anonymous, same values, shipped with a maker", Res(u"", u"", 10), Res(u"Acme", u"R1", 10), true},
      {"anonymous, same values, shipped anonymous", Res(u"", u"", 10), Res(u"", u"", 10), true},
      {"anonymous, another tolerance", Res(u"", u"", 10, 0.25f, 0.01f), Res(u"", u"", 10, 0.25f, 0.05f), false},
      {"anonymous with a NaN", Res(u"", u"", nan), Res(u"", u"", nan), false},
      {"anonymous, +0 equals -0", Res(u"", u"", 0.0f), Res(u"", u"", -0.0f), true},
      {"maker without part number", Res(u"Acme", u"", 10), Res(u"Acme", u"", 10), false},
      {"part number without maker", Res(u"", u"R1", 10), Res(u"", u"R1", 10), false},
      {"user part key, shipped anonymous", Res(u"Acme", u"R1", 10), Res(u"", u"", 10), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(qz::IsSamePart(c.user, c.shipped), c.same);
  }
}

TEST(CodePage, Windows1252Table) {
  struct Case {
    unsigned char byte;
    char16_t unit;
  } cases[] = {{0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160},
               {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x96, 0x2013}, {0x99, 0x2122}, {0x9D, 0x009D},
               {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xFC, 0x00FC}, {0xFF, 0x00FF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.byte));
    EXPECT_EQ(win::AnsiCharToWide(c.byte), c.unit);
  }
  EXPECT_EQ(win::AnsiToWide(std::string("\x80x\x9F", 3)), u"\u20ACx\u0178");
}

}  // namespace
