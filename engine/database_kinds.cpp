#include "engine/database_kinds.h"

#include "archive/archive_merge.h"
#include "archive/database_file.h"
#include "models/model_library.h"
#include "models/model_merge.h"
#include "platform/base/text.h"

namespace qz {
namespace {

template <class Doc>
bool HoldsDatabase(std::u16string_view file) {
  return CheckDatabaseHeader(file, Doc::Record::ThisClass()->className);
}

template <ModelKind kind>
bool HoldsLibrary(std::u16string_view file) {
  return LooksLikeModelLibrary(file, kind);
}

constexpr DatabaseKind kKinds[] = {
    {u".\\lib\\cmp\\standard.bjt", u"bjt", u"BJT model library", MergeBjtLibrary,
     u"Trouble merging BJT databases.\n    ...overwriting", HoldsLibrary<ModelKind::bjt>, false},
    {u".\\lib\\cmp\\standard.mos", u"mos", u"MOSFET model library", MergeMosfetLibrary,
     u"Trouble merging MOSFET databases.\n    ...overwriting", HoldsLibrary<ModelKind::mosfet>, false},
    {u".\\lib\\cmp\\standard.jft", u"jft", u"JFET model library", MergeJfetLibrary,
     u"Trouble merging JFET databases.\n    ...overwriting", HoldsLibrary<ModelKind::jfet>, false},
    {u".\\lib\\cmp\\standard.dio", u"dio", u"diode model library", MergeDiodeLibrary,
     u"Trouble merging diode databases.\n    ...overwriting", HoldsLibrary<ModelKind::diode>, false},
    {u".\\lib\\cmp\\standard.cap", u"cap", u"capacitor database", MergeCapacitorDatabase,
     u"Trouble merging capacitor databases.\n    ...overwriting", HoldsDatabase<CCapacitorDoc>, true},
    {u".\\lib\\cmp\\standard.res", u"res", u"resistor database", MergeResistorDatabase,
     u"Trouble merging resistor databases.\n    ...overwriting", HoldsDatabase<CResistorDoc>, true},
    {u".\\lib\\cmp\\standard.ind", u"ind", u"inductor database", MergeInductorDatabase,
     u"Trouble merging inductor databases.\n    ...overwriting", HoldsDatabase<CInductorDoc>, true},
    {u".\\lib\\cmp\\standard.bead", u"bead", u"ferrite bead database", MergeInductorDatabase,
     u"Trouble merging ferrite bead databases.\n    ...overwriting", HoldsDatabase<CInductorDoc>, true},
};

}  // namespace

std::span<const DatabaseKind> DatabaseKinds() { return kKinds; }

const DatabaseKind* FindDatabaseKind(std::u16string_view relativePath) {
  for (const DatabaseKind& k : kKinds)
    if (win::EqualsNoCaseAscii(k.path, relativePath)) return &k;
  return nullptr;
}

}  // namespace qz
