#include "archive/inductor_rec.h"

#include "archive/record_text.h"

namespace qz {

void NormaliseInductorManufacturer(std::u16string& manufacturer) {
  if (NormaliseManufacturer(manufacturer)) return;
  if (manufacturer == u"TOKO") manufacturer = u"Toko";
}

void CInductorRec::NormaliseLoaded() { NormaliseInductorManufacturer(manufacturer); }

int CompareRecords(const CInductorRec& a, const CInductorRec& b) {
  if (int c = CompareValues(a.inductance, b.inductance)) return c;
  if (int c = CompareValues(a.currentRating, b.currentRating)) return c;
  if (int c = CompareValues(a.seriesResistance, b.seriesResistance)) return c;
  if (int c = CompareValues(a.parallelResistance, b.parallelResistance)) return c;
  if (int c = CompareValues(a.parallelCapacitance, b.parallelCapacitance)) return c;
  if (int c = CompareTextExact(a.manufacturer, b.manufacturer)) return c;
  return CompareTextExact(a.partNumber, b.partNumber);
}

bool IsSamePart(const CInductorRec& user, const CInductorRec& shipped) {
  return SamePartKey(user.manufacturer, user.partNumber, shipped.manufacturer, shipped.partNumber);
}

}  // namespace qz
