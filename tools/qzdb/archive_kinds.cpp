#include "db_kind.h"

namespace qzdb {

std::vector<DbKind> ArchiveKinds() { return {}; }

}  // namespace qzdb
