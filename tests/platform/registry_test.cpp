#include "platform/win/registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/machine.h"
#include "platform/host/registry_store.h"
#include "tests/support/scoped_env.h"
#include "tests/support/subprocess.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;

constexpr const char16_t* kCurrentVersion = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

class Registry : public qztest::TempMachine {
 protected:
  void TearDown() override {
    EXPECT_EQ(OpenRegistryKeyCount(), openBefore_) << "a test left registry keys open";
    TempMachine::TearDown();
  }

  // Lays the machine out again as a fresh one of that architecture.
  void FreshMachineOf(const char* arch) {
    arch_.emplace("QZ_MACHINE_ARCH", arch);
    std::remove((root_ + "/registry.reg").c_str());
    ReloadMachine();
  }

  static HKEY Open(HKEY root, const char16_t* path, REGSAM sam, LONG expected = ERROR_SUCCESS) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(root, path, 0, sam, &key), expected) << WideToUtf8(path);
    if (expected != ERROR_SUCCESS) {
      EXPECT_EQ(key, nullptr);
    }
    return key;
  }

  static HKEY Create(HKEY root, const char16_t* path, REGSAM sam = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << WideToUtf8(path);
    return key;
  }

  static LONG SetText(HKEY key, const char16_t* name, std::u16string_view text, DWORD type = REG_SZ) {
    std::u16string data(text);
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                          DWORD((data.size() + 1) * 2));
  }

  static std::u16string QueryText(HKEY key, const char16_t* name, DWORD* type = nullptr) {
    char16_t buffer[2048] = {};
    DWORD size = sizeof buffer;
    LONG rc = RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &size);
    return rc == ERROR_SUCCESS ? std::u16string(buffer) : u"<error " + Utf8ToWide(std::to_string(rc)) + u">";
  }

  // The value as a 32-bit program on the machine reads it: no view flag.
  static std::u16string ReadText(HKEY root, const char16_t* path, const char16_t* name, REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return u"<no key>";
    std::u16string text = QueryText(key, name);
    RegCloseKey(key);
    return text;
  }

  std::string RegistryFileText() const { return qztest::ReadHostFile(root_ + "/registry.reg"); }

  size_t openBefore_ = OpenRegistryKeyCount();
  std::optional<qztest::ScopedEnv> arch_;
};

TEST_F(Registry, FreshMachineHoldsWhatWindows10Holds) {
  const std::u16string profile = UserProfileDirectory();
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kCurrentVersion, u"ProgramFilesDir", KEY_WOW64_64KEY), u"C:\\Program Files");
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kCurrentVersion, u"ProgramFilesDir"), u"C:\\Program Files (x86)");
  const char16_t* userFolders = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  const char16_t* shellFolders = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  HKEY key = Open(HKEY_CURRENT_USER, userFolders, KEY_QUERY_VALUE | KEY_WOW64_64KEY);
  DWORD type = 0;
  EXPECT_EQ(QueryText(key, u"Desktop", &type), u"%USERPROFILE%\\Desktop");
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(QueryText(key, u"Start Menu", &type), u"%APPDATA%\\Microsoft\\Windows\\Start Menu");
  RegCloseKey(key);
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, shellFolders, u"Desktop"), profile + u"\\Desktop");
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, shellFolders, u"Start Menu"),
            profile + u"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu");
  for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY)}) {
    HKEY policies = Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                         KEY_QUERY_VALUE | view);
    DWORD lua = 7, size = 4;
    EXPECT_EQ(RegQueryValueExW(policies, u"EnableLUA", nullptr, &type, reinterpret_cast<BYTE*>(&lua), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(lua, 1u);
    RegCloseKey(policies);
    RegCloseKey(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                     KEY_CREATE_SUB_KEY | view));
  }
}

TEST_F(Registry, FreshX86MachineHasOneView) {
  FreshMachineOf("x86");
  for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY)})
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kCurrentVersion, u"ProgramFilesDir", view), u"C:\\Program Files");
  Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node", KEY_READ | KEY_WOW64_64KEY, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegistryFileText().find("WOW6432Node"), std::string::npos);
}

TEST_F(Registry, SoftwareIsRedirectedInThe32BitViewButClassesAreShared) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Ombra\\Redirected");
  ASSERT_EQ(SetText(key, u"View", u"32"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node\\Ombra\\Redirected", u"View", KEY_WOW64_64KEY), u"32");
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Ombra\\Redirected", u"View", KEY_WOW64_32KEY), u"32");
  Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Ombra", KEY_READ | KEY_WOW64_64KEY, ERROR_FILE_NOT_FOUND);

  key = Create(HKEY_CLASSES_ROOT, u".zzz");
  ASSERT_EQ(SetText(key, nullptr, u"Quenda.Schematic"), ERROR_SUCCESS);
  RegCloseKey(key);
  for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)})
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\.zzz", u"", view), u"Quenda.Schematic");

  // Relative opens follow the view of the call; deletions see the 32-bit view.
  HKEY software = Open(HKEY_LOCAL_MACHINE, u"SOFTWARE", KEY_READ | KEY_WOW64_64KEY);
  RegCloseKey(Open(software, u"Ombra\\Redirected", KEY_READ));
  Open(software, u"Ombra\\Redirected", KEY_READ | KEY_WOW64_64KEY, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(software, u"Ombra\\Redirected"), ERROR_SUCCESS);
  RegCloseKey(software);
  Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node\\Ombra\\Redirected", KEY_READ | KEY_WOW64_64KEY,
       ERROR_FILE_NOT_FOUND);

  HKEY none = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ | KEY_WOW64_64KEY | KEY_WOW64_32KEY, &none),
            ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, X86MachineIgnoresViewFlags) {
  FreshMachineOf("x86");
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Ombra");
  RegCloseKey(key);
  RegCloseKey(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Ombra", KEY_READ | KEY_WOW64_64KEY));
  Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node\\Ombra", KEY_READ, ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, AccessMasksLimitWhatAHandleMayDo) {
  RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\Ombra\\Child"));
  struct Case {
    REGSAM access;
    LONG query, set, enumerate, createNew, openExisting;
  } cases[] = {
      {KEY_QUERY_VALUE, ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {KEY_SET_VALUE, ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {KEY_CREATE_SUB_KEY, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, ERROR_SUCCESS,
       ERROR_SUCCESS},
      {KEY_READ, ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {KEY_ALL_ACCESS, ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS},
  };
  HKEY writer = Create(HKEY_CURRENT_USER, u"Software\\Ombra");
  ASSERT_EQ(SetText(writer, u"Name", u"value"), ERROR_SUCCESS);
  RegCloseKey(writer);
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.access);
    HKEY key = Open(HKEY_CURRENT_USER, u"Software\\Ombra", c.access);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, nullptr, nullptr, &size), c.query);
    EXPECT_EQ(SetText(key, u"Name", u"changed"), c.set);
    char16_t name[64];
    DWORD length = 64;
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), c.enumerate);
    HKEY sub = nullptr;
    std::u16string fresh = u"New" + Utf8ToWide(std::to_string(n++));
    EXPECT_EQ(RegCreateKeyExW(key, fresh.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), c.createNew);
    if (sub) RegCloseKey(sub);
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(key, u"child", 0, nullptr, 0, 0, nullptr, &sub, &disposition), c.openExisting);
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
    RegCloseKey(sub);
    RegCloseKey(key);
  }
}

TEST_F(Registry, DeletionRefusesKeysWithSubkeys) {
  RegCloseKey(Create(HKEY_CLASSES_ROOT, u"Quenda.Schematic\\shell\\open\\command"));
  HKEY open = Open(HKEY_CLASSES_ROOT, u"Quenda.Schematic\\shell\\open", KEY_READ);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Quenda.Schematic"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Quenda.Schematic\\shell\\open"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(open, u"COMMAND"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(open, u"command"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Quenda.Schematic\\shell\\open"), ERROR_SUCCESS);
  // A handle of a deleted key fails from then on.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(open, nullptr, nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  RegCloseKey(open);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Quenda.Schematic\\shell"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Quenda.Schematic"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Quenda.Schematic"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED);
  EXPECT_NE(RegistryFileText().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]"), std::string::npos);
}

TEST_F(Registry, QueriesReportTypesAndSizesAsWindowsDoes) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Ombra");
  ASSERT_EQ(SetText(key, u"Text", u"abc"), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 8u);
  BYTE small[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  size = sizeof small;
  type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(small[0], 0xEE);
  BYTE exact[8];
  size = sizeof exact;
  EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, nullptr, exact, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(exact)), u"abc");
  EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, nullptr, exact, nullptr), ERROR_INVALID_PARAMETER);
  // The byte count is the caller's: without the NUL, none is stored.
  const char16_t noNul[] = u"xy";
  ASSERT_EQ(RegSetValueExW(key, u"Short", 0, REG_SZ, reinterpret_cast<const BYTE*>(noNul), 4), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(key, u"Short", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(RegSetValueExW(key, u"Bad", 0, REG_BINARY, nullptr, 3), ERROR_NOACCESS);
  EXPECT_EQ(SetText(key, u"line\nbreak", u"x"), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST_F(Registry, NamesCompareWithoutCaseAndKeepTheirSpelling) {
  HKEY key = Create(HKEY_CLASSES_ROOT, u"Cir.document");
  ASSERT_EQ(SetText(key, u"DisplayName", u"first"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, u"DISPLAYNAME", u"second"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, u"CIR.DOCUMENT", u"displayname"), u"second");
  HKEY classes = Open(HKEY_CLASSES_ROOT, u"", KEY_READ);
  std::vector<std::u16string> names;
  for (DWORD i = 0;; ++i) {
    char16_t name[260];
    DWORD length = 260;
    LONG rc = RegEnumKeyExW(classes, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(length, std::u16string(name).size());
    names.emplace_back(name);
  }
  EXPECT_EQ(names, std::vector<std::u16string>{u"Cir.document"});
  char16_t tiny[4];
  DWORD length = 4;
  EXPECT_EQ(RegEnumKeyExW(classes, 0, tiny, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  RegCloseKey(classes);
  std::string text = RegistryFileText();
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Cir.document]\r\n\"DisplayName\"=\"second\""),
            std::string::npos)
      << text;
}

TEST_F(Registry, BadHandlesAndPathsGiveWindowsErrors) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"\\Software", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\\\Microsoft", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Nothing\\Here", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Volatile", 0, nullptr, 1, KEY_READ, nullptr, &key, nullptr),
            ERROR_NOT_SUPPORTED);
  HKEY open = Open(HKEY_CURRENT_USER, u"Software", KEY_READ);
  EXPECT_EQ(RegCloseKey(open), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(open), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyExW(open, u"Microsoft", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(Registry, SHGetValueReadsWithoutViewFlagAndExpands) {
  DWORD type = 0, lua = 0, size = sizeof lua;
  EXPECT_EQ(SHGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                        u"EnableLUA", &type, &lua, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(lua, 1u);
  char16_t path[260];
  size = sizeof path;
  EXPECT_EQ(SHGetValueW(HKEY_CURRENT_USER, u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                        u"Desktop", &type, path, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::u16string(path), UserProfileDirectory() + u"\\Desktop");
  EXPECT_EQ(size, (UserProfileDirectory().size() + 9) * 2);
  // No view flag: the 64-bit view's change is not seen.
  HKEY key = Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                  KEY_SET_VALUE | KEY_WOW64_64KEY);
  DWORD zero = 0;
  ASSERT_EQ(RegSetValueExW(key, u"EnableLUA", 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), 4), ERROR_SUCCESS);
  RegCloseKey(key);
  size = sizeof lua;
  EXPECT_EQ(SHGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                        u"EnableLUA", nullptr, &lua, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(lua, 1u);
  EXPECT_EQ(SHGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nowhere", u"x", nullptr, &lua, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DamagedFileIsReportedAndLeftAlone) {
  const std::string damaged = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=oops\r\n";
  qztest::WriteHostFile(root_ + "/registry.reg", damaged);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"A", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"A"), ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(RegistryFileText(), damaged);
  std::string problem = registry::LastRegistryFileProblem();
  EXPECT_NE(problem.find("registry.reg is damaged at line 4"), std::string::npos) << problem;
  // A fresh layout never replaces it either.
  ReloadMachine();
  EXPECT_EQ(RegistryFileText(), damaged);
}

TEST_F(Registry, InjectedFaultsFailEachCall) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Ombra");
  faults::Reset();
  faults::FailNth(faults::Op::registry, 2, FileErrorKind::diskFull);
  EXPECT_EQ(SetText(key, u"One", u"1"), ERROR_SUCCESS);
  EXPECT_EQ(SetText(key, u"Two", u"2"), ERROR_DISK_FULL);
  EXPECT_EQ(QueryText(key, u"One"), u"1");
  EXPECT_EQ(QueryText(key, u"Two"), u"<error 2>");
  EXPECT_EQ(faults::Count(faults::Op::registry), 4u);
  RegCloseKey(key);
  EXPECT_EQ(faults::Count(faults::Op::registry), 4u);
}

TEST_F(Registry, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kValuesPerChild = 30;
  RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\Shared"));
  std::vector<qztest::Child> children;
  for (int child = 0; child < 2; ++child) {
    children.push_back(qztest::Child::Fork([&](const qztest::ChildReport&) {
      bool ok = true;
      for (int i = 0; i < kValuesPerChild; ++i) {
        HKEY key = nullptr;
        std::u16string own = u"Software\\Child" + Utf8ToWide(std::to_string(child));
        ok = ok && RegCreateKeyExW(HKEY_CURRENT_USER, own.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                   nullptr) == ERROR_SUCCESS;
        RegCloseKey(key);
        ok = ok && RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Shared", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS;
        std::u16string name = Utf8ToWide("c" + std::to_string(child) + "v" + std::to_string(i));
        ok = ok && SetText(key, name.c_str(), name) == ERROR_SUCCESS;
        RegCloseKey(key);
      }
      return ok ? 0 : 1;
    }));
  }
  for (qztest::Child& child : children) {
    qztest::ProcessResult r = child.Wait();
    EXPECT_TRUE(r.Exited(0)) << r.Describe() << "\n" << r.err;
  }
  HKEY shared = Open(HKEY_CURRENT_USER, u"Software\\Shared", KEY_QUERY_VALUE);
  for (int child = 0; child < 2; ++child) {
    for (int i = 0; i < kValuesPerChild; ++i) {
      std::u16string name = Utf8ToWide("c" + std::to_string(child) + "v" + std::to_string(i));
      EXPECT_EQ(QueryText(shared, name.c_str()), name);
    }
    std::u16string own = u"Software\\Child" + Utf8ToWide(std::to_string(child));
    RegCloseKey(Open(HKEY_CURRENT_USER, own.c_str(), KEY_READ));
  }
  RegCloseKey(shared);
}

}  // namespace
