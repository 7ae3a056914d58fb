#include "archive/class_registry.h"

#include "archive/capacitor_rec.h"
#include "archive/inductor_rec.h"
#include "archive/resistor_rec.h"

namespace qz {

void ClassRegistry::Register(const win::CRuntimeClass* cls) {
  if (cls && cls->createObject) classes_.push_back(cls);
}

const win::CRuntimeClass* ClassRegistry::Find(std::string_view name) const {
  for (const win::CRuntimeClass* cls : classes_)
    if (cls->createObject && name == cls->className) return cls;
  return nullptr;
}

const ClassRegistry& RecordClasses() {
  static const ClassRegistry registry{CCapacitorRec::ThisClass(), CInductorRec::ThisClass(),
                                      CResistorRec::ThisClass()};
  return registry;
}

}  // namespace qz
