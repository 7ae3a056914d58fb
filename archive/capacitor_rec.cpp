#include "archive/capacitor_rec.h"

#include "archive/record_text.h"
#include "platform/base/text.h"

namespace qz {

void CCapacitorRec::NormaliseLoaded() { NormaliseManufacturer(manufacturer); }

int CompareRecords(const CCapacitorRec& a, const CCapacitorRec& b) {
  if (int c = CompareValues(a.capacitance, b.capacitance)) return c;
  if (int c = CompareValues(a.voltageRating, b.voltageRating)) return c;
  if (int c = CompareValues(a.rmsCurrentRating, b.rmsCurrentRating)) return c;
  if (int c = CompareValues(a.seriesResistance, b.seriesResistance)) return c;
  if (int c = CompareValues(a.fifthValue, b.fifthValue)) return c;
  if (int c = win::CompareNoCaseAscii(a.type, b.type)) return c;
  if (int c = win::CompareNoCaseAscii(a.manufacturer, b.manufacturer)) return c;
  return win::CompareNoCaseAscii(a.partNumber, b.partNumber);
}

bool IsSamePart(const CCapacitorRec& user, const CCapacitorRec& shipped) {
  return SamePartKey(user.manufacturer, user.partNumber, shipped.manufacturer, shipped.partNumber);
}

}  // namespace qz
