#include "db_kind.h"

namespace qzdb {

std::vector<DbKind> ModelKinds() { return {}; }

}  // namespace qzdb
