#include "app/system_seams.h"

namespace qz::seam {

std::u16string ReadProgramFilesDir() { return u"C:\\Program Files"; }

void RemoveFileType(std::u16string_view, std::u16string_view) {}

}  // namespace qz::seam
