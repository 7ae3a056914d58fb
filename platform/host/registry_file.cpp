#include "platform/host/registry_file.h"

#include <algorithm>

#include "platform/base/text.h"

namespace win::registry {
namespace {

constexpr DWORD kRegSz = 1;
constexpr DWORD kRegBinary = 3;
constexpr DWORD kRegDword = 4;
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kHexLineWidth = 76;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool HasOnlyPairedSurrogates(std::u16string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsHighSurrogate(s[i])) {
      if (i + 1 >= s.size() || !IsLowSurrogate(s[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(s[i])) {
      return false;
    }
  }
  return true;
}

bool HasControlCharacters(std::u16string_view s) {
  return std::any_of(s.begin(), s.end(), [](char16_t c) { return c < 0x20; });
}

// Windows orders subkeys by their upper-case spelling; folding to upper
// case puts "_" after the letters, as it does there.
bool KeyNameLess(std::u16string_view a, std::u16string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = FoldAsciiUpper(a[i]), y = FoldAsciiUpper(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

auto NameLess() {
  return [](const Key& k, std::u16string_view name) { return KeyNameLess(k.name, name); };
}

// ---- formatting ----

void AppendQuoted(std::string& out, std::u16string_view text) {
  out += '"';
  for (char c : WideToUtf8(text)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

// The text of REG_SZ data that the quoted form can hold exactly: one
// terminating NUL, no other NUL, no control character.
std::optional<std::u16string> QuotableText(const std::vector<uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
  std::u16string text;
  for (size_t i = 0; i + 2 < data.size(); i += 2) text.push_back(char16_t(data[i] | (data[i + 1] << 8)));
  if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0) return std::nullopt;
  if (HasControlCharacters(text) || !HasOnlyPairedSurrogates(text)) return std::nullopt;
  return text;
}

void AppendHexList(std::string& out, size_t column, const std::vector<uint8_t>& data) {
  static const char digits[] = "0123456789abcdef";
  for (size_t i = 0; i < data.size(); ++i) {
    out += digits[data[i] >> 4];
    out += digits[data[i] & 0xF];
    column += 2;
    if (i + 1 == data.size()) break;
    out += ',';
    ++column;
    if (column >= kHexLineWidth) {
      out += "\\\r\n  ";
      column = 2;
    }
  }
}

std::string HexNumber(uint32_t n, int width) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  do {
    s.insert(s.begin(), digits[n & 0xF]);
    n >>= 4;
  } while (n != 0);
  while (int(s.size()) < width) s.insert(s.begin(), '0');
  return s;
}

void AppendValue(std::string& out, const Value& v) {
  size_t lineStart = out.size();
  if (v.name.empty())
    out += '@';
  else
    AppendQuoted(out, v.name);
  out += '=';
  if (v.type == kRegSz) {
    if (std::optional<std::u16string> text = QuotableText(v.data)) {
      AppendQuoted(out, *text);
      out += "\r\n";
      return;
    }
  }
  if (v.type == kRegDword && v.data.size() == 4) {
    uint32_t n = uint32_t(v.data[0]) | uint32_t(v.data[1]) << 8 | uint32_t(v.data[2]) << 16 | uint32_t(v.data[3]) << 24;
    out += "dword:" + HexNumber(n, 8) + "\r\n";
    return;
  }
  out += v.type == kRegBinary ? std::string("hex:") : "hex(" + HexNumber(v.type, 1) + "):";
  AppendHexList(out, out.size() - lineStart, v.data);
  out += "\r\n";
}

void AppendKey(std::string& out, const std::string& path, const Key& key, bool isRoot) {
  if (!isRoot || !key.values.empty()) {
    out += "[" + path + "]\r\n";
    for (const Value& v : key.values) AppendValue(out, v);
    out += "\r\n";
  }
  for (const Key& sub : key.subkeys) AppendKey(out, path + "\\" + WideToUtf8(sub.name), sub, false);
}

// ---- parsing ----

struct Line {
  size_t number;
  std::string text;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (FoldAsciiLower(char16_t(s[i])) != char16_t(prefix[i])) return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<uint32_t> ParseHexNumber(std::string_view s) {
  if (s.empty() || s.size() > 8) return std::nullopt;
  uint32_t n = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    n = n << 4 | uint32_t(d);
  }
  return n;
}

std::vector<uint8_t> Utf16Bytes(std::u16string_view text, bool terminate) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(uint8_t(c & 0xFF));
    bytes.push_back(uint8_t(c >> 8));
  }
  if (terminate) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

class Parser {
 public:
  Parser(std::string_view text, ParseError* error) : text_(text), error_(error) {}

  std::optional<Tree> Run() {
    std::vector<Line> lines = LogicalLines();
    size_t i = 0;
    while (i < lines.size() && lines[i].text.empty()) ++i;
    if (i == lines.size() || lines[i].text != kFileHeader)
      return Fail(i < lines.size() ? lines[i].number : 1, "the first line is not \"" + std::string(kFileHeader) + "\"");
    for (++i; i < lines.size(); ++i) {
      const Line& line = lines[i];
      line_ = line.number;
      if (!IsValidUtf8(line.text)) return Fail(line_, "the text is not valid UTF-8");
      if (line.text.empty() || line.text[0] == ';') continue;
      bool ok = line.text[0] == '[' ? ParseKeyLine(line.text) : ParseValueLine(line.text);
      if (!ok) return std::nullopt;
    }
    return std::move(tree_);
  }

 private:
  std::nullopt_t Fail(size_t line, std::string reason) {
    if (error_) *error_ = ParseError{line, std::move(reason)};
    return std::nullopt;
  }
  bool FailHere(std::string reason) {
    Fail(line_, std::move(reason));
    return false;
  }

  static bool IsValidUtf8(const std::string& s) { return WideToUtf8(Utf8ToWide(s)) == s; }

  // Physical lines with a trailing backslash continue on the next line.
  std::vector<Line> LogicalLines() const {
    std::vector<Line> lines;
    std::string_view rest = text_;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    size_t number = 0;
    bool continued = false;
    while (!rest.empty()) {
      size_t end = rest.find('\n');
      std::string_view physical = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      ++number;
      std::string_view trimmed = TrimRight(physical);
      if (continued) {
        lines.back().text += TrimLeft(trimmed);
      } else {
        lines.push_back(Line{number, std::string(trimmed)});
      }
      std::string& last = lines.back().text;
      continued = !last.empty() && last.back() == '\\' && last[0] != '[';
      if (continued) last.pop_back();
    }
    return lines;
  }

  bool ParseKeyLine(std::string_view text) {
    if (text.back() != ']') return FailHere("a key line does not end with ']'");
    std::string_view path = text.substr(1, text.size() - 2);
    if (!path.empty() && path[0] == '-') return FailHere("key deletions ([-...]) are not supported");
    std::u16string wide = Utf8ToWide(path);
    std::vector<std::u16string> parts;
    size_t start = 0;
    while (true) {
      size_t cut = wide.find(u'\\', start);
      parts.push_back(wide.substr(start, cut == std::u16string::npos ? cut : cut - start));
      if (cut == std::u16string::npos) break;
      start = cut + 1;
    }
    Key* key = RootKey(parts[0]);
    if (!key) return FailHere("unknown root key \"" + WideToUtf8(parts[0]) + "\"");
    for (size_t i = 1; i < parts.size(); ++i) {
      if (!IsStorableKeyName(parts[i])) return FailHere("invalid key name \"" + WideToUtf8(parts[i]) + "\"");
      key = &key->AddSubkey(parts[i]);
    }
    current_ = key;
    return true;
  }

  Key* RootKey(std::u16string_view name) {
    if (name == u"HKEY_LOCAL_MACHINE") return &tree_.localMachine;
    if (name == u"HKEY_CURRENT_USER") return &tree_.currentUser;
    if (name == u"HKEY_CLASSES_ROOT") return &tree_.localMachine.AddSubkey(u"SOFTWARE").AddSubkey(u"Classes");
    return nullptr;
  }

  // A quoted text starting at text[pos]; pos ends after the closing quote.
  std::optional<std::u16string> ParseQuoted(std::string_view text, size_t& pos) {
    std::string bytes;
    for (++pos; pos < text.size(); ++pos) {
      char c = text[pos];
      if (c == '"') {
        ++pos;
        return Utf8ToWide(bytes);
      }
      if (c == '\\') {
        if (pos + 1 >= text.size() || (text[pos + 1] != '\\' && text[pos + 1] != '"')) {
          FailHere("unknown escape sequence in a quoted text (only \\\\ and \\\" are allowed)");
          return std::nullopt;
        }
        c = text[++pos];
      }
      bytes += c;
    }
    FailHere("a quoted text is not closed");
    return std::nullopt;
  }

  bool ParseValueLine(std::string_view text) {
    if (!current_) return FailHere("a value comes before the first key");
    size_t pos = 0;
    std::u16string name;
    if (text[0] == '@') {
      pos = 1;
    } else if (text[0] == '"') {
      std::optional<std::u16string> quoted = ParseQuoted(text, pos);
      if (!quoted) return false;
      if (quoted->empty()) return FailHere("an empty value name (the default value is written @)");
      name = std::move(*quoted);
    } else {
      return FailHere("unexpected text (neither a key, a value nor a comment)");
    }
    if (!IsStorableValueName(name)) return FailHere("a value name with control characters");
    std::string_view rest = TrimLeft(text.substr(pos));
    if (rest.empty() || rest[0] != '=') return FailHere("'=' expected after the value name");
    std::optional<Value> value = ParseData(TrimLeft(rest.substr(1)));
    if (!value) return false;
    current_->SetValue(name, value->type, std::move(value->data));
    return true;
  }

  std::optional<Value> ParseData(std::string_view data) {
    Value v;
    if (!data.empty() && data[0] == '"') {
      size_t pos = 0;
      std::optional<std::u16string> text = ParseQuoted(data, pos);
      if (!text) return std::nullopt;
      if (!TrimLeft(data.substr(pos)).empty()) return FailData("unexpected text after a quoted value");
      v.type = kRegSz;
      v.data = Utf16Bytes(*text, true);
      return v;
    }
    if (StartsWithNoCase(data, "dword:")) {
      std::optional<uint32_t> n = ParseHexNumber(data.substr(6));
      if (!n) return FailData("dword: needs 1 to 8 hexadecimal digits");
      v.type = kRegDword;
      v.data = {uint8_t(*n), uint8_t(*n >> 8), uint8_t(*n >> 16), uint8_t(*n >> 24)};
      return v;
    }
    if (StartsWithNoCase(data, "hex:")) {
      v.type = kRegBinary;
      return ParseHexList(data.substr(4), v);
    }
    if (StartsWithNoCase(data, "hex(")) {
      size_t close = data.find(')');
      std::optional<uint32_t> type = close == std::string_view::npos ? std::nullopt : ParseHexNumber(data.substr(4, close - 4));
      if (!type || close + 1 >= data.size() || data[close + 1] != ':')
        return FailData("hex(<type>): needs a hexadecimal type and a colon");
      v.type = *type;
      return ParseHexList(data.substr(close + 2), v);
    }
    if (data == "-") return FailData("value deletions (=-) are not supported");
    return FailData("unknown kind of value data");
  }

  std::optional<Value> ParseHexList(std::string_view list, Value& v) {
    list = TrimLeft(list);
    while (!list.empty()) {
      if (list.size() < 2 || HexDigit(list[0]) < 0 || HexDigit(list[1]) < 0)
        return FailData("a hex list needs two-digit bytes separated by commas");
      v.data.push_back(uint8_t(HexDigit(list[0]) << 4 | HexDigit(list[1])));
      list = TrimLeft(list.substr(2));
      if (list.empty()) break;
      if (list[0] != ',') return FailData("a hex list needs two-digit bytes separated by commas");
      list = TrimLeft(list.substr(1));
      if (list.empty()) return FailData("a hex list ends with a comma");
    }
    return std::move(v);
  }

  std::optional<Value> FailData(std::string reason) {
    FailHere(std::move(reason));
    return std::nullopt;
  }

  std::string_view text_;
  ParseError* error_;
  Tree tree_;
  Key* current_ = nullptr;
  size_t line_ = 0;
};

}  // namespace

Key* Key::FindSubkey(std::u16string_view subkey) {
  auto it = std::lower_bound(subkeys.begin(), subkeys.end(), subkey, NameLess());
  return it != subkeys.end() && EqualsNoCaseAscii(it->name, subkey) ? &*it : nullptr;
}

const Key* Key::FindSubkey(std::u16string_view subkey) const { return const_cast<Key*>(this)->FindSubkey(subkey); }

Key& Key::AddSubkey(std::u16string_view subkey, bool* created) {
  auto it = std::lower_bound(subkeys.begin(), subkeys.end(), subkey, NameLess());
  bool exists = it != subkeys.end() && EqualsNoCaseAscii(it->name, subkey);
  if (created) *created = !exists;
  if (exists) return *it;
  return *subkeys.insert(it, Key{std::u16string(subkey), {}, {}});
}

bool Key::RemoveSubkey(std::u16string_view subkey) {
  auto it = std::lower_bound(subkeys.begin(), subkeys.end(), subkey, NameLess());
  if (it == subkeys.end() || !EqualsNoCaseAscii(it->name, subkey)) return false;
  subkeys.erase(it);
  return true;
}

const Value* Key::FindValue(std::u16string_view value) const {
  for (const Value& v : values)
    if (EqualsNoCaseAscii(v.name, value)) return &v;
  return nullptr;
}

void Key::SetValue(std::u16string_view value, DWORD type, std::vector<uint8_t> data) {
  for (Value& v : values)
    if (EqualsNoCaseAscii(v.name, value)) {
      v.type = type;
      v.data = std::move(data);
      return;
    }
  values.push_back(Value{std::u16string(value), type, std::move(data)});
}

bool IsStorableValueName(std::u16string_view name) {
  return !HasControlCharacters(name) && HasOnlyPairedSurrogates(name);
}

bool IsStorableKeyName(std::u16string_view name) {
  return !name.empty() && name.size() <= kMaxKeyNameLength && name.find(u'\\') == std::u16string_view::npos &&
         IsStorableValueName(name);
}

std::string FormatRegistryFile(const Tree& tree) {
  std::string out(kFileHeader);
  out += "\r\n\r\n";
  AppendKey(out, "HKEY_CURRENT_USER", tree.currentUser, true);
  AppendKey(out, "HKEY_LOCAL_MACHINE", tree.localMachine, true);
  return out;
}

std::optional<Tree> ParseRegistryFile(std::string_view text, ParseError* error) { return Parser(text, error).Run(); }

}  // namespace win::registry
