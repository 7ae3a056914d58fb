#include "platform/win/environment.h"

#include <algorithm>

#include "platform/host/machine.h"

namespace win {
namespace {

// Copies the text and its NUL when they fit: the length copied, else the
// size needed with the NUL.
DWORD CopyOut(std::u16string_view text, LPWSTR buffer, DWORD size) {
  if (buffer && size > text.size()) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = u'\0';
    return DWORD(text.size());
  }
  return DWORD(text.size() + 1);
}

}  // namespace

DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
  std::optional<std::u16string> value = lpName ? GetEnvironmentVariable(lpName) : std::nullopt;
  if (!value) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return CopyOut(*value, lpBuffer, nSize);
}

std::u16string ExpandEnvironmentStrings(std::u16string_view text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t close = text[i] == u'%' ? text.find(u'%', i + 1) : std::u16string_view::npos;
    if (close == std::u16string_view::npos || close == i + 1) {
      out += text[i++];
      continue;
    }
    std::optional<std::u16string> value = GetEnvironmentVariable(text.substr(i + 1, close - i - 1));
    if (!value) {
      // The closing sign may open the next reference.
      out += text.substr(i, close - i);
      i = close;
      continue;
    }
    out += *value;
    i = close + 1;
  }
  return out;
}

DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) {
  if (!lpSrc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string expanded = ExpandEnvironmentStrings(lpSrc);
  DWORD needed = DWORD(expanded.size() + 1);
  if (lpDst && nSize >= needed) CopyOut(expanded, lpDst, nSize);
  return needed;
}

}  // namespace win
