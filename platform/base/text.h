// Wide text: conversions between the UTF-16 strings the product holds and the
// byte encodings of the host, and the printf-style formatter of message texts.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace win {

// Each byte becomes the code unit of the same value (ISO 8859-1).
std::u16string WidenLatin1(std::string_view bytes);
// Invalid sequences become U+FFFD.
std::u16string Utf8ToWide(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::u16string_view text);

// One argument of FormatText: a wide string (%ls, %s) or an integer (%d).
class FormatArg {
 public:
  FormatArg(std::u16string_view text) : text_(text), isText_(true) {}
  FormatArg(const std::u16string& text) : text_(text), isText_(true) {}
  FormatArg(const char16_t* text) : text_(text ? text : u""), isText_(true) {}
  FormatArg(int value) : number_(value) {}
  FormatArg(long value) : number_(value) {}
  FormatArg(long long value) : number_(value) {}
  FormatArg(unsigned value) : number_(value) {}
  FormatArg(unsigned long value) : number_(static_cast<long long>(value)) {}

  bool IsText() const { return isText_; }
  std::u16string_view Text() const { return text_; }
  long long Number() const { return number_; }

 private:
  std::u16string_view text_;
  long long number_ = 0;
  bool isText_ = false;
};

// Formats the message texts of the product: %ls and %s take a wide string,
// %d an integer, %% is a percent sign. A placeholder without an argument of
// its kind is replaced by nothing; any other % sequence is copied as it is.
std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args);

template <class... Args>
std::u16string Format(std::u16string_view format, const Args&... args) {
  return FormatText(format, {FormatArg(args)...});
}

// ASCII-only case folding, the comparison rule of every case-insensitive test.
constexpr char16_t FoldAsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }
constexpr char16_t FoldAsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }
bool EqualsNoCaseAscii(std::u16string_view a, std::u16string_view b);
// Negative, zero or positive, comparing code units after folding A-Z to a-z.
int CompareNoCaseAscii(std::u16string_view a, std::u16string_view b);

}  // namespace win
