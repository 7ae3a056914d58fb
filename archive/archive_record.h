// The shape that every record class of the component databases shares: a
// run-time class made from its name, the factory that the archive reader
// calls, and a body serialised field by field from one list of its fields.
//
// A record class Rec derives from ArchiveRecord<Rec> and declares
//   static constexpr const char* kClassName;
//   static constexpr auto Fields();   // a tuple, in archive order, of its
//                                     // std::u16string and float members and
//                                     // kReserved for a uint32 written as 0
//                                     // and skipped on reading
// and, if its texts need more than trimming after a load, NormaliseLoaded().
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>

#include "archive/archive.h"
#include "archive/record_text.h"
#include "platform/base/object.h"

namespace qz {

struct ReservedField {};
inline constexpr ReservedField kReserved{};

template <class Rec>
class ArchiveRecord : public win::CObject {
 public:
  static const win::CRuntimeClass runtimeClass;
  static const win::CRuntimeClass* ThisClass() { return &runtimeClass; }
  static win::CObject* CreateObject() { return new Rec; }
  const win::CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  // The smallest body: an empty string is one byte, a number four.
  static constexpr uint64_t MinimumBytes() {
    return std::apply([](auto... field) { return (uint64_t{0} + ... + FieldBytes(field)); }, Rec::Fields());
  }

  // Both directions trim the texts; reading then normalises them as the
  // record class asks.
  void Serialize(CArchive& archive) override {
    Rec& record = static_cast<Rec&>(*this);
    if (archive.IsStoring()) {
      TrimTexts(record);
      std::apply([&](auto... field) { (Store(archive, record, field), ...); }, Rec::Fields());
      return;
    }
    std::apply([&](auto... field) { (Load(archive, record, field), ...); }, Rec::Fields());
    TrimTexts(record);
    record.NormaliseLoaded();
  }

 protected:
  ArchiveRecord() = default;
  void NormaliseLoaded() {}

 private:
  using TextField = std::u16string Rec::*;
  using NumberField = float Rec::*;

  static constexpr uint64_t FieldBytes(TextField) { return 1; }
  static constexpr uint64_t FieldBytes(NumberField) { return 4; }
  static constexpr uint64_t FieldBytes(ReservedField) { return 4; }

  static void Store(CArchive& a, Rec& r, TextField f) { a.WriteString(r.*f); }
  static void Store(CArchive& a, Rec& r, NumberField f) { a.WriteFloat(r.*f); }
  static void Store(CArchive& a, Rec&, ReservedField) { a.WriteUInt32(0); }
  static void Load(CArchive& a, Rec& r, TextField f) { r.*f = a.ReadString(); }
  static void Load(CArchive& a, Rec& r, NumberField f) { r.*f = a.ReadFloat(); }
  static void Load(CArchive& a, Rec&, ReservedField) { a.ReadUInt32(); }

  static void TrimTexts(Rec& r) {
    std::apply([&](auto... field) { (TrimIfText(r, field), ...); }, Rec::Fields());
  }
  static void TrimIfText(Rec& r, TextField f) { TrimText(r.*f); }
  template <class Other>
  static void TrimIfText(Rec&, Other) {}
};

template <class Rec>
const win::CRuntimeClass ArchiveRecord<Rec>::runtimeClass = {Rec::kClassName, 0, &ArchiveRecord<Rec>::CreateObject,
                                                             &win::CObject::classCObject};

}  // namespace qz
