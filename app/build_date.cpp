// The build's own date and time, kept apart so that only this file is
// compiled again for each build.
#include "app/setup_app.h"

namespace qz {

std::u16string CompiledBuildDateLine() { return BuildDateLine(__DATE__, __TIME__); }

}  // namespace qz
