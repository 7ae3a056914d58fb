// The eight component databases in their real formats, as a user has them
// installed and as a release ships them. Each user database holds an entry
// of the user's own ("USER") and one that the shipped database replaces
// ("SHARED", old value 1, shipped value 2); the shipped one also brings a
// new entry ("NEWPART").
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/database_doc.h"
#include "archive/database_file.h"

namespace qztest {

inline std::string ModelLibrary(const std::string& type, bool shipped) {
  if (shipped) return "* shipped\r\n.model shared " + type + "(V=2)\r\n.model NEWPART " + type + "(V=3)\r\n";
  return "* mine\r\n.model USER " + type + "(V=9)\r\n.model SHARED " + type + "(V=1)\r\n";
}

template <class Doc>
std::string ArchiveDatabase(bool shipped, const std::function<void(typename Doc::Record&, float)>& value) {
  Doc doc;
  auto add = [&](const char16_t* part, float v) {
    auto rec = std::make_unique<typename Doc::Record>();
    rec->manufacturer = u"Orvane";
    rec->partNumber = part;
    value(*rec, v);
    doc.Records().push_back(std::move(rec));
  };
  if (shipped) {
    add(u"shared", 2);
    add(u"NEWPART", 3);
  } else {
    add(u"USER", 9);
    add(u"SHARED", 1);
  }
  return qz::DatabaseBytes(doc);
}

inline std::string Capacitors(bool shipped) {
  return ArchiveDatabase<qz::CCapacitorDoc>(shipped, [](qz::CCapacitorRec& r, float v) { r.capacitance = v; });
}
inline std::string Inductors(bool shipped) {
  return ArchiveDatabase<qz::CInductorDoc>(shipped, [](qz::CInductorRec& r, float v) { r.inductance = v; });
}
inline std::string Resistors(bool shipped) {
  return ArchiveDatabase<qz::CResistorDoc>(shipped, [](qz::CResistorRec& r, float v) { r.resistance = v; });
}

struct UserDatabase {
  std::string name;  // in lib\cmp
  std::function<std::string(bool shipped)> make;
};

// In walk order.
inline const std::vector<UserDatabase>& UserDatabases() {
  static const std::vector<UserDatabase> dbs = {
      {"standard.bead", Inductors},
      {"standard.bjt", [](bool s) { return ModelLibrary("NPN", s); }},
      {"standard.cap", Capacitors},
      {"standard.dio", [](bool s) { return ModelLibrary("D", s); }},
      {"standard.ind", Inductors},
      {"standard.jft", [](bool s) { return ModelLibrary("NJF", s); }},
      {"standard.mos", [](bool s) { return ModelLibrary("VDMOS", s); }},
      {"standard.res", Resistors},
  };
  return dbs;
}

inline const UserDatabase& UserDatabaseNamed(const std::string& name) {
  for (const UserDatabase& db : UserDatabases())
    if (db.name == name) return db;
  throw std::out_of_range(name);
}

}  // namespace qztest
