// One resistor of the resistor database (".\lib\cmp\standard.res"). A
// record without manufacturer and part number is anonymous: a plain
// standard value.
//
// Record body in the archive, after the entry's tag:
//   manufacturer, part number              two strings (an anonymous record: 00 00)
//   resistance, power rating, tolerance    three float32
#pragma once

#include <string>

#include "archive/archive_record.h"

namespace qz {

class CResistorRec : public ArchiveRecord<CResistorRec> {
 public:
  CResistorRec() = default;

  std::u16string manufacturer;
  std::u16string partNumber;
  float resistance = 0;   // ohms
  float powerRating = 0;  // W
  float tolerance = 0;    // a fraction: 0.01 is 1 %

  bool IsAnonymous() const { return manufacturer.empty() && partNumber.empty(); }

  static constexpr const char* kClassName = "CResistorRec";
  // The record body in archive order, as drawn above.
  static constexpr auto Fields() {
    return std::make_tuple(&CResistorRec::manufacturer, &CResistorRec::partNumber, &CResistorRec::resistance,
                           &CResistorRec::powerRating, &CResistorRec::tolerance);
  }
};

// The three values, then manufacturer and part number by exact code units.
int CompareRecords(const CResistorRec& a, const CResistorRec& b);
// The part key as for capacitors, or: the user's record is anonymous and
// its three values equal the shipped record's exactly (a NaN equals nothing).
bool IsSamePart(const CResistorRec& user, const CResistorRec& shipped);

}  // namespace qz
