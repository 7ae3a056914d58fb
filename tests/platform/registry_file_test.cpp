#include "platform/host/registry_file.h"

#include <gtest/gtest.h>

#include "platform/base/text.h"

namespace {

using win::registry::FormatRegistryFile;
using win::registry::Key;
using win::registry::ParseError;
using win::registry::ParseRegistryFile;
using win::registry::Tree;
using win::registry::Value;

std::vector<uint8_t> Utf16z(std::u16string_view text) {
  std::vector<uint8_t> data;
  for (char16_t c : text) data.insert(data.end(), {uint8_t(c), uint8_t(c >> 8)});
  data.insert(data.end(), {0, 0});
  return data;
}

void ExpectSameKeys(const Key& a, const Key& b) {
  SCOPED_TRACE(win::WideToUtf8(a.name));
  EXPECT_EQ(a.name, b.name);
  ASSERT_EQ(a.values.size(), b.values.size());
  for (size_t i = 0; i < a.values.size(); ++i) {
    SCOPED_TRACE(win::WideToUtf8(a.values[i].name));
    EXPECT_EQ(a.values[i].name, b.values[i].name);
    EXPECT_EQ(a.values[i].type, b.values[i].type);
    EXPECT_EQ(a.values[i].data, b.values[i].data);
  }
  ASSERT_EQ(a.subkeys.size(), b.subkeys.size());
  for (size_t i = 0; i < a.subkeys.size(); ++i) ExpectSameKeys(a.subkeys[i], b.subkeys[i]);
}

Tree ParseOrFail(const std::string& text) {
  ParseError error;
  std::optional<Tree> tree = ParseRegistryFile(text, &error);
  EXPECT_TRUE(tree) << "line " << error.line << ": " << error.reason;
  return tree.value_or(Tree());
}

TEST(RegistryFile, EveryValueTypeAndNameSpellingRoundTrips) {
  Tree tree;
  Key& key = tree.localMachine.AddSubkey(u"SOFTWARE").AddSubkey(u"Odd [Name] \"q\" x]").AddSubkey(u"Ünïcode ключ");
  std::vector<uint8_t> longBinary(300);
  for (size_t i = 0; i < longBinary.size(); ++i) longBinary[i] = uint8_t(i * 7);
  struct Row {
    std::u16string name;
    win::DWORD type;
    std::vector<uint8_t> data;
  } rows[] = {
      {u"", 1, Utf16z(u"default")},
      {u"@", 1, Utf16z(u"not the default")},
      {u"Quotes \"and\" \\back\\slashes\\", 1, Utf16z(u"C:\\Program Files\\\"x\"\\")},
      {u"MiXeD CaSe", 1, Utf16z(u"")},
      {u"NoTerminator", 1, {0x41, 0x00, 0x42, 0x00}},
      {u"OddLength", 1, {0x41, 0x00, 0x42}},
      {u"EmbeddedNul", 1, Utf16z(std::u16string(u"a\0b", 3))},
      {u"LineBreak", 1, Utf16z(u"one\r\ntwo")},
      {u"Surrogates 😀", 1, Utf16z(u"😀 and a lone \xD800 half")},
      {u"Expand", 2, Utf16z(u"%USERPROFILE%\\Desktop")},
      {u"Binary", 3, {0x00, 0xFF, 0x10}},
      {u"EmptyBinary", 3, {}},
      {u"LongBinary", 3, longBinary},
      {u"Dword", 4, {0x2A, 0x00, 0x00, 0x80}},
      {u"ShortDword", 4, {0x01}},
      {u"Multi", 7, Utf16z(std::u16string(u"one\0two\0", 8))},
      {u"Qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}},
      {u"None", 0, {9}},
      {u"Unusual type", 0x12345, {1}},
  };
  for (const Row& r : rows) key.SetValue(r.name, r.type, r.data);
  tree.currentUser.AddSubkey(u"Software").AddSubkey(u"Empty key");

  std::string text = FormatRegistryFile(tree);
  Tree back = ParseOrFail(text);
  ExpectSameKeys(tree.localMachine, back.localMachine);
  ExpectSameKeys(tree.currentUser, back.currentUser);
  EXPECT_EQ(FormatRegistryFile(back), text);
}

TEST(RegistryFile, TextIsWhatRegistryEditorFilesLookLike) {
  Tree tree;
  Key& key = tree.localMachine.AddSubkey(u"SOFTWARE").AddSubkey(u"Ombra");
  key.SetValue(u"", 1, Utf16z(u"x"));
  key.SetValue(u"Path", 1, Utf16z(u"C:\\a \"b\""));
  key.SetValue(u"Count", 4, {0x2A, 0, 0, 0});
  key.SetValue(u"Folder", 2, Utf16z(u"%A%"));
  key.SetValue(u"Blob", 3, std::vector<uint8_t>(40, 0xAB));
  tree.currentUser.AddSubkey(u"b");
  tree.currentUser.AddSubkey(u"A");
  EXPECT_EQ(FormatRegistryFile(tree),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\A]\r\n\r\n"
            "[HKEY_CURRENT_USER\\b]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ombra]\r\n"
            "@=\"x\"\r\n"
            "\"Path\"=\"C:\\\\a \\\"b\\\"\"\r\n"
            "\"Count\"=dword:0000002a\r\n"
            "\"Folder\"=hex(2):25,00,41,00,25,00,00,00\r\n"
            "\"Blob\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\r\n"
            "  ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab\r\n\r\n");
}

TEST(RegistryFile, HandWrittenFilesAreRead) {
  Tree tree = ParseOrFail(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
      "; a comment\n"
      "[HKEY_CLASSES_ROOT\\.asc]\n"
      "@=\"Quenda.Schematic\"\n"
      "[HKEY_LOCAL_MACHINE\\software\\CLASSES\\.ASC]\n"
      "\"Extra\" = DWORD:ff  \n"
      "\"Split\"=hex:01,\\\n"
      "    02,03\n");
  const Key* classes = tree.localMachine.FindSubkey(u"SOFTWARE")->FindSubkey(u"Classes");
  ASSERT_TRUE(classes);
  const Key* asc = classes->FindSubkey(u".asc");
  ASSERT_TRUE(asc);
  EXPECT_EQ(asc->name, u".asc");  // the first spelling stays
  EXPECT_EQ(asc->FindValue(u"")->data, Utf16z(u"Quenda.Schematic"));
  EXPECT_EQ(asc->FindValue(u"extra")->data, (std::vector<uint8_t>{0xFF, 0, 0, 0}));
  EXPECT_EQ(asc->FindValue(u"Split")->data, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(RegistryFile, DamagedFilesAreRefusedWithLineAndReason) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n";
  struct Case {
    std::string text;
    size_t line;
    std::string reasonPart;
  } cases[] = {
      {"", 1, "first line"},
      {"REGEDIT4\r\n", 1, "first line"},
      {"Windows Registry Editor Version 5.00\r\n\"a\"=\"b\"\r\n", 2, "before the first key"},
      {head + "[HKEY_CURRENT_USER\\B\r\n", 4, "does not end"},
      {head + "[HKEY_USERS\\x]\r\n", 4, "unknown root"},
      {head + "[HKEY_CURRENT_USER\\a\\\\b]\r\n", 4, "invalid key name"},
      {head + "[-HKEY_CURRENT_USER\\A]\r\n", 4, "deletions"},
      {head + "\"a\"=\"unterminated\r\n", 4, "not closed"},
      {head + "\"a\"=\"bad \\n escape\"\r\n", 4, "escape"},
      {head + "\"a\"=\"x\" trailing\r\n", 4, "after a quoted value"},
      {head + "\"a\" \"x\"\r\n", 4, "'='"},
      {head + "\"a\"=dword:123456789\r\n", 4, "dword"},
      {head + "\"a\"=hex:1,02\r\n", 4, "two-digit"},
      {head + "\"a\"=hex:01,\r\n", 4, "comma"},
      {head + "\"a\"=hex(zz):01\r\n", 4, "hex(<type>)"},
      {head + "\"a\"=-\r\n", 4, "deletions"},
      {head + "\"a\"=sz:x\r\n", 4, "unknown kind"},
      {head + "\"\"=\"x\"\r\n", 4, "empty value name"},
      {head + "\"tab\there\"=\"x\"\r\n", 4, "control characters"},
      {head + "garbage\r\n", 4, "unexpected text"},
      {head + "\"bad\xff\"=\"x\"\r\n", 4, "UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ParseError error;
    EXPECT_FALSE(ParseRegistryFile(c.text, &error));
    EXPECT_EQ(error.line, c.line);
    EXPECT_NE(error.reason.find(c.reasonPart), std::string::npos) << error.reason;
  }
}

TEST(RegistryFile, KeysSortAsWindowsOrdersThem) {
  Key root;
  for (std::u16string_view name : {u"b", u"A_b", u"Ab", u"a", u"B"}) root.AddSubkey(name);
  std::vector<std::u16string> names;
  for (const Key& k : root.subkeys) names.push_back(k.name);
  // "B" is the same key as "b"; "_" sorts after the letters, as in upper case.
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"Ab", u"A_b", u"b"}));
}

}  // namespace
