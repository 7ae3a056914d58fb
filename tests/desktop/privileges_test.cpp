#include "desktop/privileges.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstring>

#include "desktop/product_launch.h"
#include "desktop/stamp_file.h"
#include "platform/win/handle.h"
#include "platform/win/runtime.h"
#include "tests/desktop/desktop_machine.h"

namespace {

using qztest::kProductDir;
using qztest::U8;

const std::u16string kPolicies = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
const std::u16string kExecutable = kProductDir + u"\\Zorvelx64.exe";

class Privileges : public qztest::DesktopMachine {
 protected:
  // EnableLUA as the installer reads it: in its own (32-bit) view.
  static void SetEnableLua(win::DWORD value) {
    win::HKEY key = nullptr;
    ASSERT_EQ(win::RegOpenKeyExW(win::HKEY_LOCAL_MACHINE, kPolicies.c_str(), 0, win::KEY_SET_VALUE, &key), 0);
    ASSERT_EQ(win::RegSetValueExW(key, u"EnableLUA", 0, win::REG_DWORD, reinterpret_cast<const win::BYTE*>(&value),
                                  sizeof value),
              0);
    win::RegCloseKey(key);
  }
  static void RemoveEnableLua() {
    ASSERT_EQ(win::RegDeleteKeyW(win::HKEY_LOCAL_MACHINE, kPolicies.c_str()), win::ERROR_SUCCESS);
  }
};

TEST_F(Privileges, VersionTestsFollowTheReportedWindows) {
  struct Case {
    const char* version;
    bool atLeastVista, atLeast8;
  } cases[] = {
      {"5.1", false, false}, {"6.0", true, false}, {"6.1.7601", true, false}, {"6.2", true, true}, {"10.0", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    SetEnv("QZ_MACHINE_VERSION", c.version);
    EXPECT_EQ(qz::IsWindowsAtLeast(0), c.atLeastVista);
    EXPECT_EQ(qz::IsWindowsAtLeast(2), c.atLeast8);
  }
}

TEST_F(Privileges, ElevationIsUndeterminedBeforeVistaOrWhenTheTokenCannotTell) {
  struct Case {
    const char* version;
    const char* elevated;
    int result;
  } cases[] = {
      {"6.2", "1", 1}, {"6.2", "0", 0}, {"6.1", "0", 0}, {"6.2", "fail", -1}, {"5.1", "1", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " elevated=" + c.elevated);
    SetEnv("QZ_MACHINE_VERSION", c.version);
    SetEnv("QZ_MACHINE_ELEVATED", c.elevated);
    EXPECT_EQ(qz::IsProcessElevated(), c.result);
  }
  EXPECT_EQ(win::OpenHandleCount(), 0u);
}

TEST_F(Privileges, UacFollowsEnableLuaAndWithoutItTheWindowsVersion) {
  struct Case {
    const char* version;
    std::optional<win::DWORD> enableLua;
    bool enabled;
  } cases[] = {
      {"6.2", 1, true},  {"6.1", 1, true},  {"6.2", 0, false}, {"6.2", 0x100, true},
      {"6.2", {}, true}, {"6.1", {}, false}, {"5.1", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + (c.enableLua ? " EnableLUA=" + std::to_string(*c.enableLua) : " absent"));
    FreshMachine();
    SetEnv("QZ_MACHINE_VERSION", c.version);
    if (c.enableLua)
      SetEnableLua(*c.enableLua);
    else
      RemoveEnableLua();
    EXPECT_EQ(qz::IsUacEnabled(), c.enabled);
  }
}

TEST_F(Privileges, StampHoldsTheSecondsSince1970AsALittleEndianDouble) {
  const std::u16string stamp = kProductDir + u"\\stamp.bin";
  PutFile(stamp, std::string(100, 'x'));  // an older, longer file is replaced
  const double before = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  qz::WriteStampFile(stamp);
  const double after = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();

  const std::string bytes = GetFile(stamp);
  ASSERT_EQ(bytes.size(), 8u);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | uint8_t(bytes[size_t(i)]);
  const double seconds = std::bit_cast<double>(bits);
  // Milliseconds: at most one millisecond below the clock read just before.
  EXPECT_GE(seconds, before - 0.001);
  EXPECT_LE(seconds, after);
  EXPECT_GT(seconds, 1.6e9);

  qz::WriteStampFile(u"C:\\missing\\dir\\stamp.bin");  // silently left out
  EXPECT_FALSE(HostExists(u"C:\\missing\\dir\\stamp.bin"));
}

TEST_F(Privileges, ElevatedUnderUacTheProductStartsThroughRunasAsTheBasicUser) {
  PutFile(kExecutable, "MZ Zorvelx64.exe");
  EXPECT_EQ(qz::LaunchProduct(kExecutable), qz::ProductLaunch::handedToBasicUser);
  const std::string path = U8(kExecutable);
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "start|" + path + "|0|C:\\",
                           "runas|/trustlevel:0x20000 \"" + path + "\"|0|C:\\",
                           "cmd|/c runas /trustlevel:0x20000 \"" + path + "\"|0|C:\\",
                       }));
  EXPECT_EQ(win::ReadJournal().front().elevation, u"not elevated");
}

TEST_F(Privileges, OtherwiseTheProductStartsInTheInstallationDirectory) {
  PutFile(kExecutable, "MZ Zorvelx64.exe");
  struct Case {
    const char* name;
    std::optional<win::DWORD> enableLua;
    const char* elevated;
    const char* version;
  } cases[] = {
      {"UAC off", 0, "1", "6.2"},
      {"not elevated", 1, "0", "6.2"},
      {"elevation undetermined", 1, "fail", "6.2"},
      {"Windows XP", 1, "1", "5.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(win::JournalPath().c_str());
    SetEnableLua(*c.enableLua);
    SetEnv("QZ_MACHINE_ELEVATED", c.elevated);
    SetEnv("QZ_MACHINE_VERSION", c.version);
    EXPECT_EQ(qz::LaunchProduct(kExecutable), qz::ProductLaunch::started);
    EXPECT_EQ(Journal(), std::vector<std::string>{"start|" + U8(kExecutable) + "|0|" + U8(kProductDir)});
  }
  EXPECT_EQ(win::OpenHandleCount(), 0u);
  EXPECT_TRUE(MessageTexts().empty());
}

}  // namespace
