#include "engine/payload_entry.h"

#include "platform/base/text.h"

namespace qz {

std::u16string WidenEntryPath(const char* path) { return win::WidenLatin1(path ? path : ""); }

}  // namespace qz
