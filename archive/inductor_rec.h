// One inductor or ferrite bead of the databases ".\lib\cmp\standard.ind"
// and ".\lib\cmp\standard.bead".
//
// Record body in the archive, after the entry's tag:
//   manufacturer, part number             two strings
//   inductance, current rating, series    five float32
//   resistance, parallel resistance, parallel capacitance
#pragma once

#include <string>

#include "archive/archive_record.h"

namespace qz {

class CInductorRec : public ArchiveRecord<CInductorRec> {
 public:
  CInductorRec() = default;

  std::u16string manufacturer;
  std::u16string partNumber;
  float inductance = 0;           // H
  float currentRating = 0;        // A
  float seriesResistance = 0;     // ohms
  float parallelResistance = 0;   // ohms; 0 when not given
  float parallelCapacitance = 0;  // F; 0 when not given

  static constexpr const char* kClassName = "CInductorRec";
  // The record body in archive order, as drawn above.
  static constexpr auto Fields() {
    return std::make_tuple(&CInductorRec::manufacturer, &CInductorRec::partNumber, &CInductorRec::inductance,
                           &CInductorRec::currentRating, &CInductorRec::seriesResistance,
                           &CInductorRec::parallelResistance, &CInductorRec::parallelCapacitance);
  }
  // After a load the manufacturer is normalised (Würth, and "TOKO" to "Toko").
  void NormaliseLoaded();
};

// The five values, then manufacturer and part number by exact code units:
// unlike capacitors, letter case tells inductor records apart.
int CompareRecords(const CInductorRec& a, const CInductorRec& b);
bool IsSamePart(const CInductorRec& user, const CInductorRec& shipped);

// The inductor manufacturer's rules: the Würth spellings, else the whole
// text "TOKO" (case-sensitive) becomes "Toko".
void NormaliseInductorManufacturer(std::u16string& manufacturer);

}  // namespace qz
