#include "platform/base/text.h"

namespace win {

std::u16string WidenLatin1(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) out.push_back(char16_t(b));
  return out;
}

namespace {

void AppendCodePoint(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(char16_t(cp));
  } else {
    cp -= 0x10000;
    out.push_back(char16_t(0xD800 + (cp >> 10)));
    out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::u16string Utf8ToWide(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = s[i];
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= s.size()) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char c = s[i + k];
      if ((c & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    AppendCodePoint(out, cp);
    i += extra + 1;
  }
  return out;
}

std::string WideToUtf8(std::u16string_view t) {
  // Text is mostly ASCII, which is copied as it is until the first other character.
  std::string out(t.size(), '\0');
  size_t i = 0;
  while (i < t.size() && t[i] < 0x80) {
    out[i] = char(t[i]);
    ++i;
  }
  out.resize(i);
  for (; i < t.size(); ++i) {
    char32_t c = t[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < t.size() && t[i + 1] >= 0xDC00 && t[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (t[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args) {
  std::u16string out;
  out.reserve(format.size() + 64);
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    char16_t c = format[i];
    if (c != u'%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    std::u16string_view rest = format.substr(i + 1);
    if (rest[0] == u'%') {
      out.push_back(u'%');
      i += 1;
    } else if (rest.starts_with(u"ls") || rest[0] == u's') {
      if (next != args.end() && next->IsText()) out.append(next->Text());
      if (next != args.end()) ++next;
      i += rest[0] == u'l' ? 2 : 1;
    } else if (rest[0] == u'd') {
      if (next != args.end() && !next->IsText()) {
        std::string digits = std::to_string(next->Number());
        out.append(digits.begin(), digits.end());
      }
      if (next != args.end()) ++next;
      i += 1;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool EqualsNoCaseAscii(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareNoCaseAscii(a, b) == 0;
}

int CompareNoCaseAscii(std::u16string_view a, std::u16string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t x = FoldAsciiLower(a[i]), y = FoldAsciiLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace win
