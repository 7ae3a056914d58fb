#include "archive/inductor_rec.h"

#include "archive/archive.h"
#include "archive/record_text.h"

namespace qz {

const win::CRuntimeClass CInductorRec::classCInductorRec = {"CInductorRec", 0, &CInductorRec::CreateObject,
                                                            &win::CObject::classCObject};

win::CObject* CInductorRec::CreateObject() { return new CInductorRec; }

void NormaliseInductorManufacturer(std::u16string& manufacturer) {
  if (NormaliseManufacturer(manufacturer)) return;
  if (manufacturer == u"TOKO") manufacturer = u"Toko";
}

void CInductorRec::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    TrimText(manufacturer);
    TrimText(partNumber);
    ar.WriteString(manufacturer);
    ar.WriteString(partNumber);
    ar.WriteFloat(inductance);
    ar.WriteFloat(currentRating);
    ar.WriteFloat(seriesResistance);
    ar.WriteFloat(parallelResistance);
    ar.WriteFloat(parallelCapacitance);
    return;
  }
  manufacturer = ar.ReadString();
  partNumber = ar.ReadString();
  inductance = ar.ReadFloat();
  currentRating = ar.ReadFloat();
  seriesResistance = ar.ReadFloat();
  parallelResistance = ar.ReadFloat();
  parallelCapacitance = ar.ReadFloat();
  TrimText(manufacturer);
  TrimText(partNumber);
  NormaliseInductorManufacturer(manufacturer);
}

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
