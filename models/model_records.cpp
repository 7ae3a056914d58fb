#include "models/model_records.h"

namespace qz {

std::u16string_view ModelKindShortName(ModelKind kind) {
  switch (kind) {
    case ModelKind::bjt: return u"BJT";
    case ModelKind::mosfet: return u"MOSFET";
    case ModelKind::jfet: return u"JFET";
    case ModelKind::diode: return u"diode";
  }
  return u"";
}

std::u16string_view ModelKindDeviceName(ModelKind kind) {
  switch (kind) {
    case ModelKind::bjt: return u"bipolar transistors";
    case ModelKind::mosfet: return u"MOSFETs";
    case ModelKind::jfet: return u"junction FETs";
    case ModelKind::diode: return u"diodes";
  }
  return u"";
}

void CModelRec::Serialize(CArchive&) {}

std::unique_ptr<CModelRec> MakeModelRec(ModelKind kind, std::u16string name, std::u16string text) {
  switch (kind) {
    case ModelKind::bjt: return std::make_unique<CBjtRec>(std::move(name), std::move(text));
    case ModelKind::mosfet: return std::make_unique<CMosfetRec>(std::move(name), std::move(text));
    case ModelKind::jfet: return std::make_unique<CJfetRec>(std::move(name), std::move(text));
    case ModelKind::diode: return std::make_unique<CDiodeRec>(std::move(name), std::move(text));
  }
  return nullptr;
}

}  // namespace qz
