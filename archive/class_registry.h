// The serialisable classes that an archive may create by name: each is
// known by its class name, schema and factory (its CRuntimeClass).
#pragma once

#include <string_view>
#include <vector>

#include "platform/base/object.h"

namespace qz {

class ClassRegistry {
 public:
  ClassRegistry() = default;
  ClassRegistry(std::initializer_list<const win::CRuntimeClass*> classes) : classes_(classes) {}

  // A class without a factory cannot be read and is not registered.
  void Register(const win::CRuntimeClass* cls);
  // The class of exactly this name (bytes compared as they are), or null.
  const win::CRuntimeClass* Find(std::string_view name) const;

 private:
  std::vector<const win::CRuntimeClass*> classes_;
};

// The record classes of the component databases: "CCapacitorRec",
// "CInductorRec" and "CResistorRec", all of schema 0.
const ClassRegistry& RecordClasses();

}  // namespace qz
