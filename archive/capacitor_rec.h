// One capacitor of the capacitor database (".\lib\cmp\standard.cap").
//
// Record body in the archive, after the entry's tag:
//   manufacturer, part number, type   three strings
//   capacitance, voltage rating,      four float32
//   RMS current rating, series resistance
//   reserved                          uint32, written as 0, skipped on reading
//   fifth value                       float32
//   reserved                          uint32, written as 0, skipped on reading
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/object.h"

namespace qz {

class CCapacitorRec : public win::CObject {
 public:
  CCapacitorRec() = default;

  std::u16string manufacturer;
  std::u16string partNumber;
  std::u16string type;  // technology or dielectric, free text
  float capacitance = 0;       // F
  float voltageRating = 0;     // V
  float rmsCurrentRating = 0;  // A; 0 when not given
  float seriesResistance = 0;  // ohms; 0 when not given
  float fifthValue = 0;        // carried through unchanged

  static const win::CRuntimeClass classCCapacitorRec;
  static const win::CRuntimeClass* ThisClass() { return &classCCapacitorRec; }
  static win::CObject* CreateObject();
  // The smallest body: three empty strings and 28 bytes of numbers.
  static constexpr uint64_t kMinimumBytes = 3 + 28;

  const win::CRuntimeClass* GetRuntimeClass() const override { return &classCCapacitorRec; }
  // Reading trims the texts and normalises the manufacturer; writing trims
  // the texts in place.
  void Serialize(CArchive& archive) override;
};

// The order of the capacitor database: the five values, then type,
// manufacturer and part number with ASCII letters folded. Zero means
// duplicates.
int CompareRecords(const CCapacitorRec& a, const CCapacitorRec& b);
// The same maker's same part number, ASCII letters folded, both non-empty.
bool IsSamePart(const CCapacitorRec& user, const CCapacitorRec& shipped);

}  // namespace qz
