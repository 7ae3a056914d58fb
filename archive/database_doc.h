// The database documents: an ordered list of records of one class that owns
// them. The whole file is the list: its count, then one entry per record.
#pragma once

#include <memory>
#include <vector>

#include "archive/capacitor_rec.h"
#include "archive/inductor_rec.h"
#include "archive/resistor_rec.h"
#include "platform/base/object.h"

namespace qz {

template <class Rec>
class CDatabaseDoc : public win::CObject {
 public:
  using Record = Rec;
  using RecordList = std::vector<std::unique_ptr<Rec>>;

  RecordList& Records() { return records_; }
  const RecordList& Records() const { return records_; }

  // Reading accepts only a list of distinct new records of the document's
  // class: a null entry, a reference to a record read before or a record of
  // another class fails the read, and the records read so far stay in the
  // list for the caller to clear.
  void Serialize(CArchive& archive) override;
  // Destroys every record.
  void DeleteContents() { records_.clear(); }

 private:
  void ReadList(CArchive& archive);
  void WriteList(CArchive& archive);

  RecordList records_;
};

class CCapacitorDoc : public CDatabaseDoc<CCapacitorRec> {
 public:
  static const win::CRuntimeClass classCCapacitorDoc;
  const win::CRuntimeClass* GetRuntimeClass() const override { return &classCCapacitorDoc; }
};

// Inductors and ferrite beads alike.
class CInductorDoc : public CDatabaseDoc<CInductorRec> {
 public:
  static const win::CRuntimeClass classCInductorDoc;
  const win::CRuntimeClass* GetRuntimeClass() const override { return &classCInductorDoc; }
};

class CResistorDoc : public CDatabaseDoc<CResistorRec> {
 public:
  static const win::CRuntimeClass classCResistorDoc;
  const win::CRuntimeClass* GetRuntimeClass() const override { return &classCResistorDoc; }
};

extern template class CDatabaseDoc<CCapacitorRec>;
extern template class CDatabaseDoc<CInductorRec>;
extern template class CDatabaseDoc<CResistorRec>;

}  // namespace qz
