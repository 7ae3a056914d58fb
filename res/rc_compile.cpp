// qzrc: compiles the installer's resource script into C++ tables for the
// dialog framework, and embeds text files as NUL-terminated byte arrays.
//
//   qzrc script  INPUT.rc OUTPUT.cpp     dialogs, dialog init data, icons
//   qzrc text    INPUT OUTPUT.cpp NAME   bytes of INPUT as `const char* NAME()`
//
// The script language is the subset of Windows resource scripts that the
// installer uses: #include of its header and #define of numbers, ICON,
// RT_MANIFEST (checked, not compiled: only Windows reads it), DIALOG and
// DIALOGEX with STYLE, EXSTYLE, CAPTION and FONT and CONTROL statements, and
// DLGINIT. Styles are expressions of numbers and names joined by "|", with
// "NOT name" to clear bits. Every error names its line and stops the build.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names a resource script may use without defining them (the Windows
// headers define them for the resource compiler).
const std::map<std::string, long long>& BuiltInNames() {
  static const std::map<std::string, long long> names = {
      {"IDOK", 1},
      {"IDCANCEL", 2},
      {"IDC_STATIC", -1},
      {"RT_MANIFEST", 24},
      {"CREATEPROCESS_MANIFEST_RESOURCE_ID", 1},
      {"WS_POPUP", 0x80000000LL},
      {"WS_CHILD", 0x40000000},
      {"WS_VISIBLE", 0x10000000},
      {"WS_DISABLED", 0x08000000},
      {"WS_CLIPSIBLINGS", 0x04000000},
      {"WS_CLIPCHILDREN", 0x02000000},
      {"WS_CAPTION", 0x00C00000},
      {"WS_BORDER", 0x00800000},
      {"WS_DLGFRAME", 0x00400000},
      {"WS_VSCROLL", 0x00200000},
      {"WS_HSCROLL", 0x00100000},
      {"WS_SYSMENU", 0x00080000},
      {"WS_THICKFRAME", 0x00040000},
      {"WS_GROUP", 0x00020000},
      {"WS_TABSTOP", 0x00010000},
      {"WS_MINIMIZEBOX", 0x00020000},
      {"WS_MAXIMIZEBOX", 0x00010000},
      {"WS_EX_DLGMODALFRAME", 0x1},
      {"WS_EX_TOPMOST", 0x8},
      {"WS_EX_TRANSPARENT", 0x20},
      {"WS_EX_CLIENTEDGE", 0x200},
      {"WS_EX_APPWINDOW", 0x40000},
      {"DS_ABSALIGN", 0x1},
      {"DS_SYSMODAL", 0x2},
      {"DS_FIXEDSYS", 0x8},
      {"DS_SETFONT", 0x40},
      {"DS_MODALFRAME", 0x80},
      {"DS_CENTER", 0x800},
      {"DS_SHELLFONT", 0x48},
      {"ES_LEFT", 0x0},
      {"ES_CENTER", 0x1},
      {"ES_RIGHT", 0x2},
      {"ES_MULTILINE", 0x4},
      {"ES_AUTOVSCROLL", 0x40},
      {"ES_AUTOHSCROLL", 0x80},
      {"ES_READONLY", 0x800},
      {"ES_WANTRETURN", 0x1000},
      {"BS_PUSHBUTTON", 0x0},
      {"BS_DEFPUSHBUTTON", 0x1},
      {"BS_CHECKBOX", 0x2},
      {"BS_AUTOCHECKBOX", 0x3},
      {"BS_RADIOBUTTON", 0x4},
      {"BS_GROUPBOX", 0x7},
      {"BS_AUTORADIOBUTTON", 0x9},
      {"SS_LEFT", 0x0},
      {"SS_CENTER", 0x1},
      {"SS_RIGHT", 0x2},
      {"SS_NOPREFIX", 0x80},
      {"SS_CENTERIMAGE", 0x200},
      {"CBS_SIMPLE", 0x1},
      {"CBS_DROPDOWN", 0x2},
      {"CBS_DROPDOWNLIST", 0x3},
      {"CBS_AUTOHSCROLL", 0x40},
      {"CBS_SORT", 0x100},
      {"SBS_SIZEGRIP", 0x10},
  };
  return names;
}

// --- Tokens -----------------------------------------------------------------

struct Token {
  enum Kind { end, name, number, string, punct } kind = end;
  std::string text;  // name, punctuation, or the string's bytes
  long long value = 0;
  int line = 0;
};

class Lexer {
 public:
  Lexer(std::string source, fs::path file) : s_(std::move(source)), file_(std::move(file)) {}

  // Preprocessor lines (#include, #define) are handed to the callback.
  template <class OnDirective>
  std::vector<Token> Tokens(OnDirective onDirective) {
    std::vector<Token> out;
    while (true) {
      SkipBlanks();
      if (i_ >= s_.size()) break;
      char c = s_[i_];
      if (c == '#') {
        onDirective(ReadLine(), line_);
        continue;
      }
      Token t;
      t.line = line_;
      if (c == '"') {
        t.kind = Token::string;
        t.text = ReadString();
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        t.kind = Token::number;
        t.value = ReadNumber();
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
        t.kind = Token::name;
        while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_'))
          t.text += s_[i_++];
      } else if (c == ',' || c == '|' || c == '-' || c == '(' || c == ')') {
        t.kind = Token::punct;
        t.text = std::string(1, c);
        ++i_;
      } else {
        throw Error(Where() + "unexpected character '" + std::string(1, c) + "'");
      }
      out.push_back(std::move(t));
    }
    Token endToken;
    endToken.line = line_;
    out.push_back(endToken);
    return out;
  }

 private:
  std::string Where() const { return file_.filename().string() + ":" + std::to_string(line_) + ": "; }

  void SkipBlanks() {
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == '\n') {
        ++line_;
        ++i_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++i_;
      } else if (s_.compare(i_, 2, "//") == 0) {
        while (i_ < s_.size() && s_[i_] != '\n') ++i_;
      } else if (s_.compare(i_, 2, "/*") == 0) {
        size_t close = s_.find("*/", i_ + 2);
        if (close == std::string::npos) throw Error(Where() + "unterminated comment");
        for (size_t k = i_; k < close; ++k) line_ += s_[k] == '\n';
        i_ = close + 2;
      } else {
        break;
      }
    }
  }

  std::string ReadLine() {
    size_t lineEnd = s_.find('\n', i_);
    if (lineEnd == std::string::npos) lineEnd = s_.size();
    std::string text = s_.substr(i_, lineEnd - i_);
    i_ = lineEnd;
    return text;
  }

  long long ReadNumber() {
    size_t used = 0;
    long long v = std::stoll(s_.substr(i_), &used, 0);
    i_ += used;
    if (i_ < s_.size() && (s_[i_] == 'L' || s_[i_] == 'l')) ++i_;
    return v;
  }

  std::string ReadString() {
    std::string out;
    ++i_;
    while (true) {
      if (i_ >= s_.size() || s_[i_] == '\n') throw Error(Where() + "unterminated string");
      char c = s_[i_++];
      if (c == '"') {
        if (i_ < s_.size() && s_[i_] == '"') {  // "" inside a string is one quote
          out += '"';
          ++i_;
          continue;
        }
        return out;
      }
      if (static_cast<unsigned char>(c) >= 0x80) throw Error(Where() + "the script must be ASCII");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) throw Error(Where() + "unterminated string");
      char e = s_[i_++];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case '\\':
          out += '\\';
          break;
        case '"':
          out += '"';
          break;
        default:
          if (e < '0' || e > '7') throw Error(Where() + "unknown escape \\" + std::string(1, e));
          int v = e - '0';
          for (int k = 0; k < 2 && i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '7'; ++k) v = v * 8 + (s_[i_++] - '0');
          out += char(v);
      }
    }
  }

  std::string s_;
  fs::path file_;
  size_t i_ = 0;
  int line_ = 1;
};

// --- The compiled resources -------------------------------------------------

struct Control {
  long long id = 0;
  std::string className, text;
  long long style = 0, exStyle = 0;
  long long x = 0, y = 0, cx = 0, cy = 0;
};

struct InitItem {
  long long controlId = 0, message = 0;
  std::string text;
};

struct Dialog {
  long long id = 0;
  bool extended = false;
  long long style = 0, exStyle = 0;
  long long x = 0, y = 0, cx = 0, cy = 0;
  std::string caption, fontFace;
  long long pointSize = 8, weight = 400;
  std::vector<Control> controls;
  std::vector<InitItem> init;
};

struct Icon {
  long long id = 0;
  std::string bytes;
};

struct Resources {
  std::vector<Dialog> dialogs;
  std::vector<Icon> icons;
};

class Parser {
 public:
  Parser(std::vector<Token> tokens, std::map<std::string, long long> defines, fs::path directory)
      : t_(std::move(tokens)), defines_(std::move(defines)), directory_(std::move(directory)) {}

  Resources Parse() {
    Resources out;
    while (Peek().kind != Token::end) Statement(out);
    return out;
  }

 private:
  const Token& Peek() const { return t_[k_]; }
  const Token& Next() {
    const Token& t = t_[k_];
    if (t.kind != Token::end) ++k_;
    return t;
  }
  [[noreturn]] void Fail(const std::string& what) const {
    throw Error("line " + std::to_string(Peek().line) + ": " + what);
  }
  bool IsName(const char* text) const { return Peek().kind == Token::name && Peek().text == text; }
  void Expect(const char* punct) {
    if (Peek().kind != Token::punct || Peek().text != punct) Fail(std::string("expected '") + punct + "'");
    Next();
  }
  void ExpectName(const char* name) {
    if (!IsName(name)) Fail(std::string("expected ") + name);
    Next();
  }
  std::string String() {
    if (Peek().kind != Token::string) Fail("expected a string");
    return Next().text;
  }

  long long Value(const Token& t) const {
    if (t.kind == Token::number) return t.value;
    if (t.kind != Token::name) Fail("expected a number or a name");
    if (auto it = defines_.find(t.text); it != defines_.end()) return it->second;
    if (auto it = BuiltInNames().find(t.text); it != BuiltInNames().end()) return it->second;
    Fail("unknown name " + t.text);
  }

  // term ("|" term)*, a term being [NOT] [-] value.
  long long Expression(long long start = 0) {
    long long v = start;
    do {
      bool clear = false;
      if (IsName("NOT")) {
        clear = true;
        Next();
      }
      bool negative = false;
      if (Peek().kind == Token::punct && Peek().text == "-") {
        negative = true;
        Next();
      }
      long long term = Value(Next());
      if (negative) term = -term;
      v = clear ? (v & ~term) : (v | term);
    } while (Peek().kind == Token::punct && Peek().text == "|" && (Next(), true));
    return v & 0xFFFFFFFFLL;
  }

  long long Number() {
    bool negative = false;
    if (Peek().kind == Token::punct && Peek().text == "-") {
      negative = true;
      Next();
    }
    long long v = Value(Next());
    return negative ? -v : v;
  }

  void Statement(Resources& out) {
    long long id = Number();
    if (IsName("ICON")) {
      Next();
      out.icons.push_back({id, ReadFile(directory_ / String())});
    } else if (IsName("RT_MANIFEST") || (Peek().kind == Token::number && Peek().value == 24)) {
      Next();
      ReadFile(directory_ / String());  // only Windows reads the manifest; it must exist
    } else if (IsName("DIALOG") || IsName("DIALOGEX")) {
      out.dialogs.push_back(DialogResource(id, Next().text == "DIALOGEX"));
    } else if (IsName("DLGINIT")) {
      Next();
      DialogInit(out, id);
    } else {
      Fail("unsupported resource statement");
    }
  }

  Dialog DialogResource(long long id, bool extended) {
    Dialog d;
    d.id = id;
    d.extended = extended;
    d.x = Number();
    Expect(",");
    d.y = Number();
    Expect(",");
    d.cx = Number();
    Expect(",");
    d.cy = Number();
    bool hasFont = false;
    while (!IsName("BEGIN")) {
      if (Peek().kind == Token::end) Fail("expected BEGIN");
      std::string keyword = Next().text;
      if (keyword == "STYLE") {
        d.style = Expression();
      } else if (keyword == "EXSTYLE") {
        d.exStyle = Expression();
      } else if (keyword == "CAPTION") {
        d.caption = String();
      } else if (keyword == "FONT") {
        hasFont = true;
        d.pointSize = Number();
        Expect(",");
        d.fontFace = String();
        if (extended && Peek().kind == Token::punct && Peek().text == ",") {
          Next();
          d.weight = Number();
          for (int k = 0; k < 2 && Peek().kind == Token::punct && Peek().text == ","; ++k) {
            Next();
            Number();  // italic, character set
          }
        }
      } else {
        Fail("unsupported dialog statement " + keyword);
      }
    }
    // As the resource compiler does: a FONT statement implies DS_SETFONT.
    if (hasFont) d.style |= 0x40;
    ExpectName("BEGIN");
    while (!IsName("END")) {
      if (!IsName("CONTROL")) Fail("expected CONTROL or END");
      Next();
      d.controls.push_back(ControlStatement());
    }
    ExpectName("END");
    return d;
  }

  Control ControlStatement() {
    Control c;
    c.text = String();
    Expect(",");
    c.id = Number();
    Expect(",");
    c.className = String();
    Expect(",");
    // CONTROL statements are visible children unless NOT WS_VISIBLE says otherwise.
    c.style = Expression(0x40000000LL | 0x10000000LL);
    Expect(",");
    c.x = Number();
    Expect(",");
    c.y = Number();
    Expect(",");
    c.cx = Number();
    Expect(",");
    c.cy = Number();
    if (Peek().kind == Token::punct && Peek().text == ",") {
      Next();
      c.exStyle = Expression();
    }
    return c;
  }

  // The data is a list of 16-bit words and strings (their bytes); decoded as
  // records of control id, message, 32-bit length and that many bytes,
  // ended by a zero id.
  void DialogInit(Resources& out, long long dialogId) {
    ExpectName("BEGIN");
    std::string bytes;
    while (!IsName("END")) {
      if (Peek().kind == Token::end) Fail("expected END");
      if (Peek().kind == Token::string) {
        bytes += Next().text;
      } else {
        long long word = Number();
        bytes += char(word & 0xFF);
        bytes += char((word >> 8) & 0xFF);
      }
      if (Peek().kind == Token::punct && Peek().text == ",") Next();
    }
    ExpectName("END");
    Dialog* dialog = nullptr;
    for (Dialog& d : out.dialogs)
      if (d.id == dialogId) dialog = &d;
    if (!dialog) Fail("DLGINIT before its dialog");
    size_t at = 0;
    auto word = [&]() -> long long {
      if (at + 2 > bytes.size()) Fail("DLGINIT data ends inside a record");
      long long v = static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
      at += 2;
      return v;
    };
    while (true) {
      long long control = word();
      if (control == 0) break;
      InitItem item;
      item.controlId = control;
      item.message = word();
      long long length = word() | (word() << 16);
      if (at + size_t(length) > bytes.size()) Fail("DLGINIT record longer than its data");
      item.text = bytes.substr(at, size_t(length));
      at += size_t(length);
      if (!item.text.empty() && item.text.back() == '\0') item.text.pop_back();
      dialog->init.push_back(item);
    }
    if (at != bytes.size()) Fail("DLGINIT data after its end");
  }

  std::vector<Token> t_;
  size_t k_ = 0;
  std::map<std::string, long long> defines_;
  fs::path directory_;
};

// --- Output -----------------------------------------------------------------

// A C++ string literal of the bytes, with the prefix ("u" for a wide one).
std::string Literal(const char* prefix, const std::string& bytes) {
  std::string out = std::string(prefix) + "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\' || c == '?' || c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

std::string WideLiteral(const std::string& bytes) { return Literal("u", bytes); }
std::string ByteLiteral(const std::string& bytes) { return Literal("", bytes); }

std::string Hex(long long v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%08llX", static_cast<unsigned long long>(v) & 0xFFFFFFFFULL);
  return buf;
}

std::string ByteArray(const std::string& name, const std::string& bytes) {
  std::ostringstream o;
  o << "const unsigned char " << name << "[] = {";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) o << "\n   ";
    char buf[8];
    std::snprintf(buf, sizeof buf, " 0x%02X,", static_cast<unsigned char>(bytes[i]));
    o << buf;
  }
  o << "\n};\n";
  return o.str();
}

std::string EmitResources(const Resources& r) {
  std::ostringstream o;
  o << "// Generated by qzrc from the resource script; do not edit.\n"
       "#include \"res/installer_resources.h\"\n\nnamespace qz {\nnamespace {\n\n";
  for (const Icon& icon : r.icons) o << ByteArray("kIcon" + std::to_string(icon.id), icon.bytes) << "\n";
  o << "win::ResourceModule MakeResources() {\n  win::ResourceModule m;\n";
  for (const Dialog& d : r.dialogs) {
    o << "  {\n    win::DialogTemplate d;\n"
      << "    d.id = " << d.id << ";\n"
      << "    d.extended = " << (d.extended ? "true" : "false") << ";\n"
      << "    d.style = " << Hex(d.style) << ";\n"
      << "    d.exStyle = " << Hex(d.exStyle) << ";\n"
      << "    d.x = " << d.x << "; d.y = " << d.y << "; d.cx = " << d.cx << "; d.cy = " << d.cy << ";\n"
      << "    d.caption = " << WideLiteral(d.caption) << ";\n"
      << "    d.fontFace = " << WideLiteral(d.fontFace) << ";\n"
      << "    d.pointSize = " << d.pointSize << ";\n"
      << "    d.weight = " << (d.weight ? d.weight : 400) << ";\n";
    for (const Control& c : d.controls)
      o << "    d.items.push_back({" << c.id << ", " << WideLiteral(c.className) << ", " << WideLiteral(c.text) << ", "
        << Hex(c.style) << ", " << Hex(c.exStyle) << ", " << c.x << ", " << c.y << ", " << c.cx << ", " << c.cy
        << "});\n";
    for (const InitItem& i : d.init)
      o << "    d.init.push_back({" << i.controlId << ", " << Hex(i.message) << ", " << ByteLiteral(i.text) << "});\n";
    o << "    m.dialogs.push_back(std::move(d));\n  }\n";
  }
  for (const Icon& icon : r.icons)
    o << "  m.icons.push_back({" << icon.id << ", {kIcon" << icon.id << ", sizeof kIcon" << icon.id << "}});\n";
  o << "  return m;\n}\n\n}  // namespace\n\n"
       "const win::ResourceModule& InstallerResources() {\n"
       "  static const win::ResourceModule* module = new win::ResourceModule(MakeResources());\n"
       "  return *module;\n}\n\n}  // namespace qz\n";
  return o.str();
}

void WriteIfChanged(const fs::path& path, const std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (in) {
    std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (old == text) return;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw Error("cannot write " + path.string());
}

std::map<std::string, long long> Defines(const fs::path& script);

void Directive(const std::string& line, const fs::path& directory, std::map<std::string, long long>& defines) {
  std::istringstream in(line);
  std::string keyword;
  in >> keyword;
  if (keyword == "#include") {
    std::string name;
    in >> name;
    // Only the script's own headers are read; the Windows ones are known.
    if (name.size() > 2 && name.front() == '"' && fs::exists(directory / name.substr(1, name.size() - 2)))
      for (const auto& [k, v] : Defines(directory / name.substr(1, name.size() - 2))) defines[k] = v;
  } else if (keyword == "#define") {
    std::string name, value;
    in >> name >> value;
    if (value.empty()) return;
    defines[name] = std::stoll(value, nullptr, 0);
  } else if (keyword != "#pragma") {
    throw Error("unsupported directive " + keyword);
  }
}

std::map<std::string, long long> Defines(const fs::path& header) {
  std::map<std::string, long long> defines;
  Lexer lexer(ReadFile(header), header);
  lexer.Tokens([&](const std::string& line, int) { Directive(line, header.parent_path(), defines); });
  return defines;
}

void CompileScript(const fs::path& input, const fs::path& output) {
  std::map<std::string, long long> defines;
  Lexer lexer(ReadFile(input), input);
  std::vector<Token> tokens =
      lexer.Tokens([&](const std::string& line, int) { Directive(line, input.parent_path(), defines); });
  Parser parser(std::move(tokens), std::move(defines), input.parent_path());
  WriteIfChanged(output, EmitResources(parser.Parse()));
}

void EmbedText(const fs::path& input, const fs::path& output, const std::string& name) {
  std::string bytes = ReadFile(input);
  if (bytes.find('\0') != std::string::npos) throw Error(input.string() + " holds a NUL byte");
  std::ostringstream o;
  o << "// Generated by qzrc from " << input.filename().string() << "; do not edit.\n"
    << "#include \"res/installer_resources.h\"\n\nnamespace qz {\nnamespace {\n\n"
    << ByteArray("kBytes", bytes + '\0') << "\n}  // namespace\n\n"
    << "const char* " << name << "() { return reinterpret_cast<const char*>(kBytes); }\n\n}  // namespace qz\n";
  WriteIfChanged(output, o.str());
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "script" && argc == 4) {
      CompileScript(argv[2], argv[3]);
    } else if (mode == "text" && argc == 5) {
      EmbedText(argv[2], argv[3], argv[4]);
    } else {
      std::fprintf(stderr, "usage: qzrc script INPUT.rc OUTPUT.cpp | qzrc text INPUT OUTPUT.cpp NAME\n");
      return 2;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qzrc: %s\n", e.what());
    return 1;
  }
  return 0;
}
