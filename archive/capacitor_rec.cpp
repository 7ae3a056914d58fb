#include "archive/capacitor_rec.h"

#include "archive/archive.h"
#include "archive/record_text.h"
#include "platform/base/text.h"

namespace qz {

const win::CRuntimeClass CCapacitorRec::classCCapacitorRec = {"CCapacitorRec", 0, &CCapacitorRec::CreateObject,
                                                              &win::CObject::classCObject};

win::CObject* CCapacitorRec::CreateObject() { return new CCapacitorRec; }

void CCapacitorRec::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    TrimText(manufacturer);
    TrimText(partNumber);
    TrimText(type);
    ar.WriteString(manufacturer);
    ar.WriteString(partNumber);
    ar.WriteString(type);
    ar.WriteFloat(capacitance);
    ar.WriteFloat(voltageRating);
    ar.WriteFloat(rmsCurrentRating);
    ar.WriteFloat(seriesResistance);
    ar.WriteUInt32(0);
    ar.WriteFloat(fifthValue);
    ar.WriteUInt32(0);
    return;
  }
  manufacturer = ar.ReadString();
  partNumber = ar.ReadString();
  type = ar.ReadString();
  capacitance = ar.ReadFloat();
  voltageRating = ar.ReadFloat();
  rmsCurrentRating = ar.ReadFloat();
  seriesResistance = ar.ReadFloat();
  ar.ReadUInt32();
  fifthValue = ar.ReadFloat();
  ar.ReadUInt32();
  TrimText(manufacturer);
  TrimText(partNumber);
  TrimText(type);
  NormaliseManufacturer(manufacturer);
}

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
