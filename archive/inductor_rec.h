// One inductor or ferrite bead of the databases ".\lib\cmp\standard.ind"
// and ".\lib\cmp\standard.bead".
//
// Record body in the archive, after the entry's tag:
//   manufacturer, part number             two strings
//   inductance, current rating, series    five float32
//   resistance, parallel resistance, parallel capacitance
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/object.h"

namespace qz {

class CInductorRec : public win::CObject {
 public:
  CInductorRec() = default;

  std::u16string manufacturer;
  std::u16string partNumber;
  float inductance = 0;           // H
  float currentRating = 0;        // A
  float seriesResistance = 0;     // ohms
  float parallelResistance = 0;   // ohms; 0 when not given
  float parallelCapacitance = 0;  // F; 0 when not given

  static const win::CRuntimeClass classCInductorRec;
  static const win::CRuntimeClass* ThisClass() { return &classCInductorRec; }
  static win::CObject* CreateObject();
  static constexpr uint64_t kMinimumBytes = 2 + 20;

  const win::CRuntimeClass* GetRuntimeClass() const override { return &classCInductorRec; }
  // Reading trims the texts and normalises the manufacturer (Würth, and
  // "TOKO" to "Toko"); writing trims the texts in place.
  void Serialize(CArchive& archive) override;
};

// The five values, then manufacturer and part number by exact code units:
// unlike capacitors, letter case tells inductor records apart.
int CompareRecords(const CInductorRec& a, const CInductorRec& b);
bool IsSamePart(const CInductorRec& user, const CInductorRec& shipped);

// The inductor manufacturer's rules: the Würth spellings, else the whole
// text "TOKO" (case-sensitive) becomes "Toko".
void NormaliseInductorManufacturer(std::u16string& manufacturer);

}  // namespace qz
