// The byte layout of the object archive: counts, lengths, strings, tags and
// the failures of a damaged file.
#include <gtest/gtest.h>

#include <cmath>

#include "archive/archive.h"
#include "archive/capacitor_rec.h"
#include "archive/inductor_rec.h"
#include "archive_test_util.h"
#include "platform/base/text.h"

namespace {

using archivetest::Hex;
using archivetest::ToHex;
using qz::ArchiveError;

template <class Write>
std::string Written(Write write) {
  qz::MemorySink sink;
  qz::CArchive ar(sink);
  write(ar);
  EXPECT_TRUE(ar.Flush());
  return sink.Bytes();
}

TEST(ArchiveCount, EncodingsBothWays) {
  struct Case {
    uint32_t value;
    const char* hex;
  } cases[] = {
      {0, "00 00"},
      {2, "02 00"},
      {0xFFFE, "FE FF"},
      {0xFFFF, "FF FF FF FF 00 00"},
      {0x12345678, "FF FF 78 56 34 12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hex);
    EXPECT_EQ(ToHex(Written([&](qz::CArchive& ar) { ar.WriteCount(c.value); })), c.hex);
    std::string bytes = Hex(c.hex);
    qz::MemorySource source(bytes);
    qz::CArchive ar(source);
    EXPECT_EQ(ar.ReadCount(), c.value);
    EXPECT_FALSE(ar.Failed());
  }
}

// The length prefix of an 8-bit text of n letters, as written and read.
TEST(ArchiveString, LengthEncodingsBothWays) {
  struct Case {
    size_t length;
    const char* prefix;
  } cases[] = {
      {0, "00"},
      {4, "04"},
      {254, "FE"},
      {255, "FF FF 00"},
      {0xFFFD, "FF FD FF"},
      // As a two-byte length 0xFFFE would read as the Unicode marker.
      {0xFFFE, "FF FF FF FE FF 00 00"},
      {0x10000, "FF FF FF 00 00 01 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix);
    const std::u16string text(c.length, u'a');
    const std::string bytes = Written([&](qz::CArchive& ar) { ar.WriteString(text); });
    const std::string prefix = Hex(c.prefix);
    ASSERT_EQ(bytes.size(), prefix.size() + c.length);
    EXPECT_EQ(ToHex(bytes.substr(0, prefix.size())), c.prefix);
    qz::MemorySource source(bytes);
    qz::CArchive ar(source);
    EXPECT_EQ(ar.ReadString(), text);
    EXPECT_FALSE(ar.Failed());
    EXPECT_EQ(source.Remaining(), 0u);
  }
}

TEST(ArchiveString, TextsAsWritten) {
  struct Case {
    std::u16string text;
    const char* hex;
  } cases[] = {
      {u"", "00"},
      {u"ACME", "04 41 43 4D 45"},
      {u"W\u00FCrth", "05 57 FC 72 74 68"},           // every unit below U+0100: one byte each
      {u"\u03A9\u0031", "FF FE FF 02 A9 03 31 00"},  // any unit above: UTF-16
      {u"\u20AC", "FF FE FF 01 AC 20"},
      {u"\u00FF", "01 FF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hex);
    EXPECT_EQ(ToHex(Written([&](qz::CArchive& ar) { ar.WriteString(c.text); })), c.hex);
    std::string bytes = Hex(c.hex);
    qz::MemorySource source(bytes);
    qz::CArchive ar(source);
    EXPECT_EQ(ar.ReadString(), c.text);
    EXPECT_FALSE(ar.Failed());
  }
}

TEST(ArchiveString, ReadsEveryLengthForm) {
  struct Case {
    const char* hex;
    std::u16string text;
    ArchiveError error;
  } cases[] = {
      {"03 41 42 43", u"ABC", ArchiveError::none},
      {"FF 03 00 41 42 43", u"ABC", ArchiveError::none},
      {"FF FF FF 03 00 00 00 41 42 43", u"ABC", ArchiveError::none},
      {"FF FF FF FF FF FF FF 03 00 00 00 00 00 00 00 41 42 43", u"ABC", ArchiveError::none},
      {"FF FE FF 01 41 00", u"A", ArchiveError::none},
      {"FF FE FF FF 01 00 41 00", u"A", ArchiveError::none},
      {"FF FE FF FF FF FF 01 00 00 00 41 00", u"A", ArchiveError::none},
      {"FF FE FF FF FF FF FF FF FF FF 01 00 00 00 00 00 00 00 41 00", u"A", ArchiveError::none},
      // Windows-1252 for the 8-bit bytes; its holes are the C1 controls.
      {"05 80 81 8D 9F E9", u"\u20AC\u0081\u008D\u0178\u00E9", ArchiveError::none},
      {"04 8F 90 9D 92", u"\u008F\u0090\u009D\u2019", ArchiveError::none},
      // A 64-bit length above 0x7FFFFFFF, and lengths the file cannot hold.
      {"FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00", u"", ArchiveError::generic},
      {"FF FF FF FE FF FF FF 41 42", u"", ArchiveError::endOfFile},
      {"FF FE FF FF FF FF FE FF FF 7F 41 00", u"", ArchiveError::endOfFile},
      {"05 41 42", u"", ArchiveError::endOfFile},
      {"FF FE FF 02 41 00 42", u"", ArchiveError::endOfFile},
      {"FF FE", u"", ArchiveError::endOfFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hex);
    std::string bytes = Hex(c.hex);
    qz::MemorySource source(bytes);
    qz::CArchive ar(source);
    EXPECT_EQ(ar.ReadString(), c.text);
    EXPECT_EQ(ar.Failure().archive, c.error);
  }
}

TEST(ArchiveString, UnicodeLengthOf65534AfterTheMarker) {
  std::u16string text(0xFFFE, u'\u0416');
  const std::string bytes = Written([&](qz::CArchive& ar) { ar.WriteString(text); });
  EXPECT_EQ(ToHex(bytes.substr(0, 10)), "FF FE FF FF FF FF FE FF 00 00");
  // The two-byte form FFFE after the marker is a plain length too.
  std::string shortForm = Hex("FF FE FF FF FE FF") + bytes.substr(10);
  qz::MemorySource source(shortForm);
  qz::CArchive ar(source);
  EXPECT_EQ(ar.ReadString(), text);
  EXPECT_FALSE(ar.Failed());
}

TEST(ArchiveString, Latin1HighBytesReadThroughTheCodePage) {
  // 0x80 reads as the euro sign, which no longer fits one byte.
  std::string bytes = Hex("01 80");
  qz::MemorySource source(bytes);
  qz::CArchive ar(source);
  std::u16string text = ar.ReadString();
  EXPECT_EQ(text, u"\u20AC");
  EXPECT_EQ(ToHex(Written([&](qz::CArchive& w) { w.WriteString(text); })), "FF FE FF 01 AC 20");
}

TEST(ArchiveNumbers, Float32AndUInt32AreLittleEndian) {
  const std::string bytes = Written([](qz::CArchive& ar) {
    ar.WriteFloat(1.0f);
    ar.WriteFloat(-2.5e-12f);
    ar.WriteUInt32(0x01020304);
    ar.WriteFloat(std::nanf(""));
  });
  EXPECT_EQ(ToHex(bytes.substr(0, 4)), "00 00 80 3F");
  EXPECT_EQ(ToHex(bytes.substr(8, 4)), "04 03 02 01");
  qz::MemorySource source(bytes);
  qz::CArchive ar(source);
  EXPECT_EQ(ar.ReadFloat(), 1.0f);
  EXPECT_EQ(ar.ReadFloat(), -2.5e-12f);
  EXPECT_EQ(ar.ReadUInt32(), 0x01020304u);
  EXPECT_TRUE(std::isnan(ar.ReadFloat()));
  EXPECT_FALSE(ar.Failed());
  ar.ReadUInt32();
  EXPECT_EQ(ar.Failure().archive, ArchiveError::endOfFile);
}

// The body of a capacitor record with empty texts and zero values.
const char* const kEmptyCapBody = "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
std::string CapClass(const char* schema = "00 00") {
  return std::string(Hex("FF FF")) + Hex(schema) + Hex("0D 00") + "CCapacitorRec";
}

TEST(ArchiveObjects, OneClassFileHasTheDescriptorOnceThenClassReferences) {
  qz::CCapacitorRec a = archivetest::Cap(u"ACME", u"C1", 1e-6f), b = archivetest::Cap(u"ACME", u"C2", 2e-6f);
  const std::string bytes = Written([&](qz::CArchive& ar) {
    ar.WriteCount(3);
    ar.WriteObject(&a);
    ar.WriteObject(&b);
    ar.WriteObject(&a);  // written before: a reference to its index
  });
  const std::string head = Hex("03 00") + CapClass();
  ASSERT_EQ(bytes.substr(0, head.size()), head);
  const size_t body = 1 + 4 + 1 + 2 + 1 + 3 + 28;  // "ACME", "C1", "X7R" and the numbers
  EXPECT_EQ(ToHex(bytes.substr(head.size() + body, 2)), "01 80");
  EXPECT_EQ(ToHex(bytes.substr(bytes.size() - 2)), "02 00");
  EXPECT_EQ(bytes.size(), head.size() + 2 * body + 2 + 2);

  qz::MemorySource source(bytes);
  qz::CArchive ar(source);
  ASSERT_EQ(ar.ReadCount(), 3u);
  bool isNew = false;
  std::unique_ptr<win::CObject> first(ar.ReadObject(&isNew));
  EXPECT_TRUE(isNew);
  std::unique_ptr<win::CObject> second(ar.ReadObject());
  win::CObject* third = ar.ReadObject(&isNew);
  EXPECT_FALSE(isNew);
  EXPECT_EQ(third, first.get());
  ASSERT_FALSE(ar.Failed());
  auto* rec = dynamic_cast<qz::CCapacitorRec*>(second.get());
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->partNumber, u"C2");
  EXPECT_EQ(rec->capacitance, 2e-6f);
}

TEST(ArchiveObjects, EntriesOfDamagedFiles) {
  const std::string body = Hex(kEmptyCapBody);
  struct Case {
    const char* name;
    std::string bytes;
    int objects;
    ArchiveError error;
  } cases[] = {
      {"one record", Hex("01 00") + CapClass() + body, 1, ArchiveError::none},
      {"extra bytes after the last entry", Hex("01 00") + CapClass() + body + "garbage", 1, ArchiveError::none},
      {"null entry", Hex("02 00 00 00") + CapClass() + body, 1, ArchiveError::none},
      {"schema 1", Hex("01 00") + CapClass("01 00") + body, 0, ArchiveError::badSchema},
      {"unknown class", Hex("01 00 FF FF 00 00 0A 00") + "CWidgetRec" + body, 0, ArchiveError::badClass},
      {"name of 64 bytes, no name follows", Hex("01 00 FF FF 00 00 40 00"), 0, ArchiveError::badClass},
      {"class name cut short", Hex("01 00 FF FF 00 00 0D 00") + "CCapac", 0, ArchiveError::endOfFile},
      {"class reference 8002 to the first record", Hex("02 00") + CapClass() + body + Hex("02 80") + body, 1,
       ArchiveError::badIndex},
      {"class reference 8000", Hex("01 00 00 80") + body, 0, ArchiveError::badIndex},
      {"class reference not handed out", Hex("01 00 01 80") + body, 0, ArchiveError::badIndex},
      {"object reference to the class", Hex("02 00") + CapClass() + body + Hex("01 00"), 1, ArchiveError::badIndex},
      {"object reference not handed out", Hex("02 00") + CapClass() + body + Hex("03 00"), 1, ArchiveError::badIndex},
      {"object reference to the record", Hex("02 00") + CapClass() + body + Hex("02 00"), 2, ArchiveError::none},
      {"long class reference", Hex("02 00") + CapClass() + body + Hex("FF 7F 01 00 00 80") + body, 2,
       ArchiveError::none},
      {"long object reference", Hex("02 00") + CapClass() + body + Hex("FF 7F 02 00 00 00"), 2, ArchiveError::none},
      {"long class reference to 0", Hex("01 00 FF 7F 00 00 00 80") + body, 0, ArchiveError::badIndex},
      {"ends inside a record", Hex("01 00") + CapClass() + body.substr(0, 20), 0, ArchiveError::endOfFile},
      {"ends inside a tag", Hex("02 00") + CapClass() + body + Hex("01"), 1, ArchiveError::endOfFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    archivetest::ReadAll r = archivetest::ReadEntries(c.bytes);
    EXPECT_EQ(r.objects, c.objects);
    EXPECT_EQ(r.error, c.error) << qz::ArchiveErrorName(r.error);
  }
}

// A class whose index reaches 0x7FFF is referred to with the long tag.
TEST(ArchiveObjects, IndicesFrom7FFFUseTheLongTag) {
  constexpr int kCaps = 0x7FFE;  // indices 2 to 0x7FFF; the next class takes 0x8000
  std::vector<qz::CCapacitorRec> caps(kCaps);
  qz::CInductorRec l1 = archivetest::Ind(u"Toko", u"L1", 1e-6f), l2 = archivetest::Ind(u"Toko", u"L2", 2e-6f);
  const std::string bytes = Written([&](qz::CArchive& ar) {
    ar.WriteCount(kCaps + 3);
    for (auto& c : caps) ar.WriteObject(&c);
    ar.WriteObject(&l1);
    ar.WriteObject(&l2);
    ar.WriteObject(&caps.back());
  });
  const size_t l2Start = bytes.size() - 6 - (5 + 3 + 20) - 6;  // tag, "Toko", "L2", values; reference
  EXPECT_EQ(ToHex(bytes.substr(l2Start, 6)), "FF 7F 00 80 00 80");
  EXPECT_EQ(ToHex(bytes.substr(bytes.size() - 6)), "FF 7F FF 7F 00 00");

  archivetest::ReadAll r = archivetest::ReadEntries(bytes);
  EXPECT_EQ(r.error, ArchiveError::none);
  EXPECT_EQ(r.objects, kCaps + 3);
}

TEST(ArchiveObjects, CanHoldRejectsACountTheRestCannotHold) {
  std::string bytes = Hex("FF FF 00 00 00 80") + std::string(14, '\0');
  qz::MemorySource source(bytes);
  qz::CArchive ar(source);
  const uint32_t count = ar.ReadCount();
  EXPECT_EQ(count, 0x80000000u);
  EXPECT_TRUE(ar.CanHold(7, 2));
  EXPECT_FALSE(ar.CanHold(count, 2));
  EXPECT_EQ(ar.Failure().archive, ArchiveError::endOfFile);
}

TEST(ArchiveObjects, FailuresAreSticky) {
  std::string bytes = Hex("03 41 42 43");
  qz::MemorySource source(bytes);
  qz::CArchive ar(source);
  ar.Fail(ArchiveError::badClass);
  EXPECT_EQ(ar.ReadString(), u"");
  ar.Fail(ArchiveError::badIndex);
  EXPECT_EQ(ar.Failure().archive, ArchiveError::badClass);
  EXPECT_EQ(ar.ReadObject(), nullptr);
}

}  // namespace
