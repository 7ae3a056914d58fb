// The root of the framework's serialisable classes: run-time class identity
// (name, schema, factory) and a virtual destructor.
#pragma once

#include <cstdint>

namespace qz {
class CArchive;  // the object archive of the component databases
}

namespace win {

class CObject;

struct CRuntimeClass {
  const char* className;
  uint16_t schema;
  CObject* (*createObject)();  // null for classes that are not created by name
  const CRuntimeClass* baseClass;

  bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  // Reads or writes the object's fields; the root class has none.
  virtual void Serialize(qz::CArchive& archive);
  bool IsKindOf(const CRuntimeClass* cls) const;

  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
};

}  // namespace win
