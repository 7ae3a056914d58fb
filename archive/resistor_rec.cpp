#include "archive/resistor_rec.h"

#include "archive/record_text.h"

namespace qz {

int CompareRecords(const CResistorRec& a, const CResistorRec& b) {
  if (int c = CompareValues(a.resistance, b.resistance)) return c;
  if (int c = CompareValues(a.powerRating, b.powerRating)) return c;
  if (int c = CompareValues(a.tolerance, b.tolerance)) return c;
  if (int c = CompareTextExact(a.manufacturer, b.manufacturer)) return c;
  return CompareTextExact(a.partNumber, b.partNumber);
}

bool IsSamePart(const CResistorRec& user, const CResistorRec& shipped) {
  if (SamePartKey(user.manufacturer, user.partNumber, shipped.manufacturer, shipped.partNumber)) return true;
  return user.IsAnonymous() && user.resistance == shipped.resistance && user.powerRating == shipped.powerRating &&
         user.tolerance == shipped.tolerance;
}

}  // namespace qz
