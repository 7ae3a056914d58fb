// One resistor of the resistor database (".\lib\cmp\standard.res"). A
// record without manufacturer and part number is anonymous: a plain
// standard value.
//
// Record body in the archive, after the entry's tag:
//   manufacturer, part number              two strings (an anonymous record: 00 00)
//   resistance, power rating, tolerance    three float32
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/object.h"

namespace qz {

class CResistorRec : public win::CObject {
 public:
  CResistorRec() = default;

  std::u16string manufacturer;
  std::u16string partNumber;
  float resistance = 0;   // ohms
  float powerRating = 0;  // W
  float tolerance = 0;    // a fraction: 0.01 is 1 %

  bool IsAnonymous() const { return manufacturer.empty() && partNumber.empty(); }

  static const win::CRuntimeClass classCResistorRec;
  static const win::CRuntimeClass* ThisClass() { return &classCResistorRec; }
  static win::CObject* CreateObject();
  static constexpr uint64_t kMinimumBytes = 2 + 12;

  const win::CRuntimeClass* GetRuntimeClass() const override { return &classCResistorRec; }
  // Both directions trim the texts; no maker's name is normalised.
  void Serialize(CArchive& archive) override;
};

// The three values, then manufacturer and part number by exact code units.
int CompareRecords(const CResistorRec& a, const CResistorRec& b);
// The part key as for capacitors, or: the user's record is anonymous and
// its three values equal the shipped record's exactly (a NaN equals nothing).
bool IsSamePart(const CResistorRec& user, const CResistorRec& shipped);

}  // namespace qz
