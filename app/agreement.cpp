#include <string_view>

#include "app/setup_app.h"
#include "platform/win/code_page.h"

namespace qz {

std::u16string ConvertAgreementText(const char* text) {
  if (!text) return {};
  return win::AnsiToWide(std::string_view(text));
}

}  // namespace qz
