#include "desktop/registry_entries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "platform/host/fault_injection.h"
#include "tests/desktop/desktop_machine.h"

namespace {

using qztest::PutRegistryKey;
using qztest::PutRegistryText;
using qztest::RegistryKeyExists;
using qztest::U8;
using win::HKEY_CLASSES_ROOT;
using win::HKEY_LOCAL_MACHINE;

const std::u16string kUninstallKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenda Zorvel";
const std::u16string kExecutable = qztest::kProductDir + u"\\Zorvelx64.exe";

// The sets of lines that one registry file has and the other lacks.
std::vector<std::string> LinesOnlyIn(const std::string& text, const std::string& other) {
  auto lines = [](const std::string& t) {
    std::vector<std::string> out;
    std::istringstream in(t);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) out.push_back(line);
    }
    std::sort(out.begin(), out.end());
    return out;
  };
  std::vector<std::string> a = lines(text), b = lines(other), only;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(only));
  return only;
}

// The type and bytes of a value, read in the native view.
struct StoredValue {
  win::DWORD type = 0;
  std::u16string text;
  win::DWORD bytes = 0;
};
std::optional<StoredValue> ReadValue(const std::u16string& key, const char16_t* name, win::REGSAM view) {
  win::HKEY handle = nullptr;
  if (win::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, win::KEY_QUERY_VALUE | view, &handle) != 0)
    return std::nullopt;
  StoredValue value;
  char16_t buffer[1024] = {};
  value.bytes = sizeof buffer;
  const win::LSTATUS rc = win::RegQueryValueExW(handle, name, nullptr, &value.type,
                                                reinterpret_cast<win::LPBYTE>(buffer), &value.bytes);
  win::RegCloseKey(handle);
  if (rc != 0) return std::nullopt;
  value.text = buffer;
  return value;
}

class RegistryEntries : public qztest::DesktopMachine {
 protected:
  // A ProgID with the verbs, DDE keys and icon that a product registration leaves.
  static void PutProgId(const std::u16string& progId, const std::u16string& icon, win::DWORD iconType = win::REG_SZ,
                        const std::u16string& description = u"Some document") {
    PutRegistryText(HKEY_CLASSES_ROOT, progId, u"", description);
    PutRegistryText(HKEY_CLASSES_ROOT, progId + u"\\DefaultIcon", u"", icon, iconType);
    for (const char16_t* verb : {u"open", u"print", u"printto"}) {
      const std::u16string shell = progId + u"\\shell\\" + verb;
      PutRegistryText(HKEY_CLASSES_ROOT, shell + u"\\command", u"", u"\"" + kExecutable + u"\" \"%1\"");
      PutRegistryText(HKEY_CLASSES_ROOT, shell + u"\\ddeexec", u"", u"[open(\"%1\")]");
      PutRegistryText(HKEY_CLASSES_ROOT, shell + u"\\ddeexec\\Application", u"", u"Zorvel");
      PutRegistryKey(HKEY_CLASSES_ROOT, shell + u"\\ddeexec\\Topic");
    }
  }
};

TEST_F(RegistryEntries, AFirstInstallationAddsOnlyTheUninstallEntry) {
  struct Case {
    const char* architecture;
    const char* section;
  } cases[] = {
      {"AMD64", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenda Zorvel]"},
      {"x86", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenda Zorvel]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.architecture);
    UseArchitecture(c.architecture);
    PutRegistryKey(HKEY_CLASSES_ROOT, u".txt");  // lays the registry out before the snapshot
    const std::string before = RegistryFile();

    for (auto [extension, kind] : {std::pair{u".asc", u"Schematic"}, std::pair{u".cir", u"Netlist"},
                                   std::pair{u".raw", u"Rawfile"}, std::pair{u".asy", u"Symbol"}})
      qz::RemoveFileType(extension, kind);
    qz::RemoveOldProgIds();
    qz::RegisterUninstallEntry(kExecutable);

    const std::string after = RegistryFile();
    EXPECT_EQ(LinesOnlyIn(before, after), std::vector<std::string>{});
    std::vector<std::string> added = {
        c.section,
        "\"DisplayName\"=\"Quenda Zorvel\"",
        "\"Publisher\"=\"Tessaly Corporation\"",
        "\"UninstallString\"=\"\\\"C:\\\\Program Files\\\\Ombra\\\\QuendaZorvel\\\\Zorvelx64.exe\\\" -uninstall\"",
    };
    std::sort(added.begin(), added.end());
    EXPECT_EQ(LinesOnlyIn(after, before), added);

    // Each value counts its terminating NUL.
    for (auto [name, text] : {std::pair{u"DisplayName", std::u16string(u"Quenda Zorvel")},
                              std::pair{u"UninstallString", u"\"" + kExecutable + u"\" -uninstall"},
                              std::pair{u"Publisher", std::u16string(u"Tessaly Corporation")}}) {
      std::optional<StoredValue> value = ReadValue(kUninstallKey, name, win::KEY_WOW64_64KEY);
      ASSERT_TRUE(value.has_value()) << U8(name);
      EXPECT_EQ(value->type, win::REG_SZ);
      EXPECT_EQ(U8(value->text), U8(text));
      EXPECT_EQ(value->bytes, (text.size() + 1) * 2);
    }
    EXPECT_EQ(win::OpenRegistryKeyCount(), 0u);
  }
}

TEST_F(RegistryEntries, UninstallEntryIsInTheNativeViewAndRewrittenByALaterRun) {
  qz::RegisterUninstallEntry(u"C:\\Old\\Zorvelx86.exe");
  qz::RegisterUninstallEntry(kExecutable);
  EXPECT_EQ(RegistryFile().find("WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenda"),
            std::string::npos);
  std::optional<StoredValue> value = ReadValue(kUninstallKey, u"UninstallString", win::KEY_WOW64_64KEY);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(U8(value->text), U8(u"\"" + kExecutable + u"\" -uninstall"));
  // The installer's own 32-bit view does not see it.
  EXPECT_EQ(ReadValue(kUninstallKey, u"UninstallString", 0), std::nullopt);
}

TEST_F(RegistryEntries, FailedRegistryCallsWriteNothingAndStaySilent) {
  const std::string before = RegistryFile();
  win::faults::FailNth(win::faults::Op::registry, 1, win::FileErrorKind::accessDenied, 1000);
  qz::RegisterUninstallEntry(kExecutable);
  qz::RemoveOldProgIds();
  win::faults::Reset();
  EXPECT_EQ(RegistryFile(), before);
  EXPECT_EQ(win::OpenRegistryKeyCount(), 0u);
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(RegistryEntries, IconRuleRemovesProgIdsWhoseIconNamesTheProduct) {
  const std::u16string icon = qztest::kProductDir + u"\\Zorvelx64.exe,0";
  struct Case {
    const char16_t* progId;
    std::u16string icon;
    win::DWORD type;
    bool removed;
  } cases[] = {
      {u"Quenda.Schematic", icon, win::REG_SZ, true},
      {u"Quenda.Symbol", qztest::kProductDir + u"\\Zorvelx64.exe", win::REG_SZ, false},  // no comma after ".exe"
      {u"Quenda.Netlist", icon, win::REG_EXPAND_SZ, false},
      {u"Sp.Document", u"C:\\Old\\PELORN.EXE,1", win::REG_SZ, true},
      {u"Quenda Netlist", u"D:\\QZ\\zorvelX86.exe,2", win::REG_SZ, true},
      {u"Quenda.Rawfile", u"C:\\Other\\Zorvelx64.exe.bak,0", win::REG_SZ, false},
      {u"Other.Document", icon, win::REG_SZ, false},  // not one of the old ProgIDs
  };
  for (const Case& c : cases) PutProgId(c.progId, c.icon, c.type);
  PutRegistryText(HKEY_CLASSES_ROOT, u".asc", u"", u"Quenda.Schematic");

  qz::RemoveOldProgIds();

  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.progId));
    EXPECT_EQ(RegistryKeyExists(HKEY_CLASSES_ROOT, c.progId), !c.removed);
    if (!c.removed) {
      EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, std::u16string(c.progId) + u"\\shell\\open\\ddeexec\\Topic"));
      EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, std::u16string(c.progId) + u"\\DefaultIcon"));
    }
  }
  EXPECT_EQ(RegistryFile().find("Quenda.Schematic\\"), std::string::npos);
  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, u".asc"));  // extensions are RemoveFileType's
  EXPECT_EQ(win::OpenRegistryKeyCount(), 0u);
}

TEST_F(RegistryEntries, DescriptionRuleCoversOnlyTheFirstFourProgIds) {
  const std::u16string otherIcon = u"C:\\Other\\viewer.exe,0";
  struct Case {
    const char16_t* createdAs;
    const char16_t* description;
    win::DWORD type;
    bool removed;
  } cases[] = {
      {u"ASC.Document", u"QUENDA schematic", win::REG_SZ, true},
      {u"CIR.DOCUMENT", u"Netlist of quenda", win::REG_SZ, true},  // names compare without case
      {u"Asy.Document", u"Quenda Symbol", win::REG_EXPAND_SZ, false},
      {u"ACS.Document", u"Schematic", win::REG_SZ, false},
      {u"ECS.Document", u"Quenda Schematic", win::REG_SZ, false},
  };
  for (const Case& c : cases) {
    PutProgId(c.createdAs, otherIcon, win::REG_SZ);
    PutRegistryText(HKEY_CLASSES_ROOT, c.createdAs, u"", c.description, c.type);
  }

  qz::RemoveOldProgIds();

  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.createdAs));
    EXPECT_EQ(RegistryKeyExists(HKEY_CLASSES_ROOT, c.createdAs), !c.removed);
  }
}

TEST_F(RegistryEntries, RemoveFileTypeRemovesTheExtensionAndItsProgId) {
  PutRegistryText(HKEY_CLASSES_ROOT, u".asc", u"", u"Quenda.Schematic");
  PutRegistryText(HKEY_CLASSES_ROOT, u".asc\\ShellEx\\{8895b1c6-b41f-4c1c-a562-0d564250836f}", u"", u"{guid}");
  PutProgId(u"Quenda.Schematic", u"C:\\Other\\viewer.exe,0");
  PutRegistryText(HKEY_CLASSES_ROOT, u".asy", u"", u"Quenda.Symbol");

  qz::RemoveFileType(u".asc", u"Schematic");

  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, u".asc"));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, u"Quenda.Schematic"));
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\.asc", win::KEY_WOW64_64KEY));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, u".asy"));
  EXPECT_EQ(win::OpenRegistryKeyCount(), 0u);
}

TEST_F(RegistryEntries, RemoveProgIdDeletesTheWholeProgIdAndNothingForAnEmptyName) {
  PutProgId(u"Quenda.Symbol", u"C:\\x.exe,0");
  PutRegistryKey(HKEY_CLASSES_ROOT, u"Quenda.Symbol\\CLSID");
  PutRegistryKey(HKEY_CLASSES_ROOT, u"shell");  // what an empty ProgID would name below the root
  const std::string before = RegistryFile();

  qz::RemoveProgId(u"");
  EXPECT_EQ(RegistryFile(), before);

  qz::RemoveProgId(u"Quenda.Symbol");
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, u"Quenda.Symbol"));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, u"shell"));
}

TEST_F(RegistryEntries, DeleteRegistryTreeRemovesNestedKeysAndCountsAnAbsentKeyAsRemoved) {
  for (const char16_t* key : {u"QZ.Test\\a\\b\\c", u"QZ.Test\\a\\b2", u"QZ.Test\\z", u"QZ.Sibling"})
    PutRegistryKey(HKEY_CLASSES_ROOT, key);
  EXPECT_TRUE(qz::DeleteRegistryTree(HKEY_CLASSES_ROOT, u"QZ.Test"));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, u"QZ.Test"));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, u"QZ.Sibling"));
  EXPECT_TRUE(qz::DeleteRegistryTree(HKEY_CLASSES_ROOT, u"QZ.Test"));
  EXPECT_TRUE(qz::DeleteRegistryTree(HKEY_CLASSES_ROOT, u"No\\Such\\Key"));
  EXPECT_EQ(win::OpenRegistryKeyCount(), 0u);
}

TEST_F(RegistryEntries, DeleteRegistryTreeStopsAtWhatItCannotDelete) {
  // Keys in the 64-bit view only: the view-less deletion cannot reach them,
  // while the enumeration (with the view flag) keeps listing them.
  const std::u16string root = u"SOFTWARE\\QZ.Test";
  for (const char16_t* child : {u"\\first\\deeper", u"\\second"})
    PutRegistryKey(HKEY_LOCAL_MACHINE, root + child, win::KEY_WOW64_64KEY);
  EXPECT_FALSE(qz::DeleteRegistryTree(HKEY_LOCAL_MACHINE, root));
  EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, root + u"\\first\\deeper", win::KEY_WOW64_64KEY));

  // A failing open (other than "not found") is a failure too.
  PutRegistryKey(HKEY_CLASSES_ROOT, u"QZ.Test\\child");
  win::faults::FailNth(win::faults::Op::registry, 1, win::FileErrorKind::accessDenied, 2);  // delete, then open
  EXPECT_FALSE(qz::DeleteRegistryTree(HKEY_CLASSES_ROOT, u"QZ.Test"));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, u"QZ.Test\\child"));
  EXPECT_EQ(win::OpenRegistryKeyCount(), 0u);
}

TEST_F(RegistryEntries, DeleteRegistryTreeRefusesPathsThatNameTheParent) {
  PutRegistryKey(HKEY_CLASSES_ROOT, u"QZ.Keep\\child");
  const std::string before = RegistryFile();
  for (const char16_t* path : {u"", u"\\QZ.Keep", u"SOFTWARE\\Classes\\", u"QZ.Keep\\\\child"}) {
    SCOPED_TRACE(U8(path));
    EXPECT_FALSE(qz::DeleteRegistryTree(path[0] == u'S' ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT, path));
  }
  EXPECT_EQ(RegistryFile(), before);
}

TEST_F(RegistryEntries, ViewFlagFollowsTheNativeProcessor) {
  EXPECT_EQ(qz::RegistryViewFlag(), win::REGSAM(win::KEY_WOW64_64KEY));
  UseArchitecture("x86");
  EXPECT_EQ(qz::RegistryViewFlag(), 0u);
  UseArchitecture("noexport");
  EXPECT_EQ(qz::RegistryViewFlag(), 0u);
}

}  // namespace
