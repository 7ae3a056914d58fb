#include "app/licence_switch.h"

namespace qz {
namespace {

constexpr std::u16string_view kSwitch = u"AcceptedLicense";

bool IsSwitchSign(char16_t c) { return c == u'-' || c == u'/' || c == u'\u2212'; }

}  // namespace

bool HasAcceptedLicenseSwitch(std::u16string_view tail) {
  size_t at = tail.find(kSwitch);
  if (at == std::u16string_view::npos || at == 0 || !IsSwitchSign(tail[at - 1])) return false;
  size_t end = at + kSwitch.size();
  return end == tail.size() || tail[end] == u' ';
}

}  // namespace qz
