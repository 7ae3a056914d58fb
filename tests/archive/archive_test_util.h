// Helpers of the archive tests: hex byte strings, records and documents.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "archive/archive.h"
#include "archive/database_doc.h"
#include "archive/database_file.h"

namespace archivetest {

// "02 00 FF" -> the bytes; spaces are ignored.
inline std::string Hex(std::string_view hex) {
  std::string bytes;
  int high = -1;
  for (char c : hex) {
    int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(char(high * 16 + v));
      high = -1;
    }
  }
  return bytes;
}

inline std::string ToHex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char b : bytes) {
    if (!hex.empty()) hex += ' ';
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return hex;
}

inline qz::CCapacitorRec Cap(std::u16string maker, std::u16string part, float farads, float volts = 50,
                             std::u16string type = u"X7R") {
  qz::CCapacitorRec r;
  r.manufacturer = std::move(maker);
  r.partNumber = std::move(part);
  r.type = std::move(type);
  r.capacitance = farads;
  r.voltageRating = volts;
  return r;
}

inline qz::CInductorRec Ind(std::u16string maker, std::u16string part, float henries, float amperes = 1) {
  qz::CInductorRec r;
  r.manufacturer = std::move(maker);
  r.partNumber = std::move(part);
  r.inductance = henries;
  r.currentRating = amperes;
  return r;
}

inline qz::CResistorRec Res(std::u16string maker, std::u16string part, float ohms, float watts = 0.25f,
                            float tolerance = 0.01f) {
  qz::CResistorRec r;
  r.manufacturer = std::move(maker);
  r.partNumber = std::move(part);
  r.resistance = ohms;
  r.powerRating = watts;
  r.tolerance = tolerance;
  return r;
}

template <class Doc, class Rec>
Doc MakeDoc(std::initializer_list<Rec> records) {
  Doc doc;
  for (const Rec& r : records) doc.Records().push_back(std::make_unique<Rec>(r));
  return doc;
}

template <class Doc, class Rec>
std::string DocBytes(std::initializer_list<Rec> records) {
  Doc doc = MakeDoc<Doc>(records);
  return qz::DatabaseBytes(doc);
}

// Reads every entry of the bytes with the archive; the failure, if any.
struct ReadAll {
  int objects = 0;
  int nulls = 0;
  qz::ArchiveError error = qz::ArchiveError::none;
};

inline ReadAll ReadEntries(std::string_view bytes) {
  qz::MemorySource source(bytes);
  qz::CArchive ar(source);
  ReadAll result;
  const uint32_t count = ar.ReadCount();
  std::vector<std::unique_ptr<win::CObject>> owned;
  for (uint32_t i = 0; i < count && !ar.Failed(); ++i) {
    bool isNew = false;
    win::CObject* o = ar.ReadObject(&isNew);
    if (ar.Failed()) break;
    if (!o) ++result.nulls;
    if (o && isNew) owned.emplace_back(o);
    if (o) ++result.objects;
  }
  result.error = ar.Failure().archive;
  return result;
}

}  // namespace archivetest
