#include "archive/database_doc.h"

#include "archive/archive.h"

namespace qz {

const win::CRuntimeClass CCapacitorDoc::classCCapacitorDoc = {"CCapacitorDoc", 0xFFFF, nullptr,
                                                              &win::CObject::classCObject};
const win::CRuntimeClass CInductorDoc::classCInductorDoc = {"CInductorDoc", 0xFFFF, nullptr,
                                                            &win::CObject::classCObject};
const win::CRuntimeClass CResistorDoc::classCResistorDoc = {"CResistorDoc", 0xFFFF, nullptr,
                                                            &win::CObject::classCObject};

template <class Rec>
void CDatabaseDoc<Rec>::Serialize(CArchive& archive) {
  if (archive.IsStoring()) {
    WriteList(archive);
  } else {
    ReadList(archive);
  }
}

template <class Rec>
void CDatabaseDoc<Rec>::ReadList(CArchive& archive) {
  const uint32_t count = archive.ReadCount();
  // Every entry takes at least its two-byte tag and the smallest body.
  if (!archive.CanHold(count, 2 + Rec::MinimumBytes())) return;
  records_.reserve(records_.size() + count);
  for (uint32_t i = 0; i < count; ++i) {
    bool isNew = false;
    win::CObject* object = archive.ReadObject(&isNew);
    if (archive.Failed()) return;
    if (!object || !isNew) {
      archive.Fail(ArchiveError::badIndex);
      return;
    }
    if (!object->IsKindOf(Rec::ThisClass())) {
      delete object;
      archive.Fail(ArchiveError::badClass);
      return;
    }
    records_.emplace_back(static_cast<Rec*>(object));
  }
}

template <class Rec>
void CDatabaseDoc<Rec>::WriteList(CArchive& archive) {
  if (records_.size() > UINT32_MAX) {
    archive.Fail(ArchiveError::generic);
    return;
  }
  archive.WriteCount(uint32_t(records_.size()));
  for (const auto& record : records_) archive.WriteObject(record.get());
}

template class CDatabaseDoc<CCapacitorRec>;
template class CDatabaseDoc<CInductorRec>;
template class CDatabaseDoc<CResistorRec>;

}  // namespace qz
