// The default installation directory: ProgramFilesDir in the native view of
// the registry, and the directory it gives when the value is odd.
#include "app/program_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "desktop/registry_entries.h"
#include "platform/host/machine.h"
#include "platform/win/registry.h"
#include "tests/app/app_fixture.h"

namespace {

using namespace win;

class ProgramFilesDir : public qztest::AppTest {
 protected:
  // Writes the value's bytes in the view of the flag.
  static void Store(REGSAM view, const std::vector<BYTE>& data, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"ProgramFilesDir", 0, type, data.data(), DWORD(data.size())), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static std::vector<BYTE> Bytes(std::u16string_view text, bool terminated = true) {
    std::vector<BYTE> data(text.size() * 2 + (terminated ? 2 : 0));
    std::memcpy(data.data(), text.data(), text.size() * 2);
    return data;
  }
};

TEST_F(ProgramFilesDir, ReadFromTheNativeViewOfA64BitMachine) {
  qztest::UseBackend(qztest::Backend::console);
  Store(KEY_WOW64_64KEY, Bytes(u"D:\\Programs"));
  Store(0, Bytes(u"D:\\Programs (x86)"));
  EXPECT_EQ(qz::ReadProgramFilesDir(), u"D:\\Programs");
  qz::CSetUpDlg dialog(qztest::ExampleBuildDateLine());
  ASSERT_TRUE(dialog.Create());
  EXPECT_EQ(dialog.m_directoryText, u"D:\\Programs\\Ombra\\QuendaZorvel");
  dialog.DestroyWindow();
}

TEST_F(ProgramFilesDir, OddValuesGiveTheirTextOrTheDefault) {
  struct Case {
    const char* name;
    std::vector<BYTE> data;
    DWORD type;
    std::u16string directory;
  } cases[] = {
      {"without its NUL", Bytes(u"E:\\Apps", false), REG_SZ, u"E:\\Apps"},
      {"of another type", Bytes(u"F:\\Apps"), REG_EXPAND_SZ, u"F:\\Apps"},
      {"empty", Bytes(u""), REG_SZ, u"C:\\Program Files"},
      {"longer than the buffer", Bytes(std::u16string(2100, u'x')), REG_SZ, u"C:\\Program Files"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store(KEY_WOW64_64KEY, c.data, c.type);
    EXPECT_EQ(qz::ReadProgramFilesDir(), c.directory);
  }
}

TEST_F(ProgramFilesDir, X86MachineReadsItsOnlyView) {
  ::setenv("QZ_MACHINE_ARCH", "x86", 1);
  win::ReloadMachine();
  qz::InitializeRegistryViewFlag();
  EXPECT_EQ(qz::RegistryViewFlag(), 0u);
  Store(0, Bytes(u"G:\\Programs"));
  EXPECT_EQ(qz::ReadProgramFilesDir(), u"G:\\Programs");
}

}  // namespace
