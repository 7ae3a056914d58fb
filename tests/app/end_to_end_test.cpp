// The whole installer as its users meet it: the dialogs clicked through on
// Qt, a quit in the middle of an installation, and the built installer run
// silently twice on a fresh machine.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "desktop/registry_entries.h"
#include "platform/base/text.h"
#include "platform/dialog/top_level_windows.h"
#include "platform/host/machine.h"
#include "platform/qt/dialog_qt.h"
#include "platform/win/journal.h"
#include "platform/win/registry.h"
#include "platform/win/runtime.h"
#include "tests/app/app_fixture.h"
#include "tests/support/subprocess.h"
#include "tests/support/test_catalogue.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char16_t kDefaultDirectory[] = u"C:\\Program Files\\Ombra\\QuendaZorvel";

std::string U8(std::u16string_view text) { return win::WideToUtf8(text); }

std::u16string DesktopFolder() { return win::UserProfileDirectory() + u"\\Desktop"; }
std::u16string StartMenuFolder() {
  return win::UserProfileDirectory() + u"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
}

bool HaveLnkinfo() { return qztest::FindProgram("lnkinfo").has_value(); }

// One running copy of the product, which closes when asked.
class ProductWindow : public win::TopLevelWindowSystem {
 public:
  explicit ProductWindow(int* closeRequests) : closeRequests_(closeRequests) {}
  std::vector<win::TopLevelWindow> FromTop() override {
    if (!open_) return {};
    return {7};
  }
  std::optional<std::u16string> Title(win::TopLevelWindow) override { return u"Quenda Zorvel - filter.asc"; }
  void RequestClose(win::TopLevelWindow) override {
    ++*closeRequests_;
    open_ = false;
  }
  bool Exists(win::TopLevelWindow) override { return open_; }

 private:
  int* closeRequests_;
  bool open_ = true;
};

// The Qt widget of a dialog's control, for the user's clicks and keys.
template <typename Widget>
Widget* ControlWidget(win::HWND dialog, int id) {
  auto* widget = qobject_cast<Widget*>(win::QtWidgetOf(win::GetDlgItem(dialog, id)));
  EXPECT_NE(widget, nullptr) << "control " << id;
  return widget;
}

// A radio button takes clicks on its circle and its text only, at the left.
void ClickControl(win::HWND dialog, int id) {
  auto* button = ControlWidget<QAbstractButton>(dialog, id);
  if (!button) return;
  QPoint at = qobject_cast<QRadioButton*>(button) ? QPoint(6, button->height() / 2) : button->rect().center();
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
}

class EndToEnd : public qztest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    qz::InitializeRegistryViewFlag();
    win::SetTopLevelWindowSystem(std::make_unique<ProductWindow>(&closeRequests_));
  }
  void TearDown() override {
    win::SetTopLevelWindowSystem(nullptr);
    ::unsetenv("QZ_MACHINE_ELEVATED");
    AppTest::TearDown();
  }

  // A link as another program reads it: lnkinfo where it is installed.
  void ExpectLink(const std::u16string& link, const std::u16string& directory, const char* executable,
                  const char* description) const {
    SCOPED_TRACE(U8(link));
    ASSERT_TRUE(HostExists(link));
    if (!HaveLnkinfo()) return;
    std::string info = qztest::RunProcess({.argv = {"lnkinfo", Host(link)}, .errToOut = true}).out;
    EXPECT_NE(info.find("Local path\t\t\t: " + U8(directory) + "\\" + executable + ".exe"), std::string::npos) << info;
    EXPECT_NE(info.find("Working directory\t\t: " + U8(directory)), std::string::npos) << info;
    EXPECT_NE(info.find(std::string("Description\t\t\t: ") + description), std::string::npos) << info;
  }

  int closeRequests_ = 0;
};

TEST_F(EndToEnd, ClickingThroughAnUpdateOfBothBuildsMakesFourLinks) {
  qztest::UseBackend(qztest::Backend::qt);
  // Not elevated: the two UAC questions come (and are answered Yes), and
  // the product starts without ending the process.
  ::setenv("QZ_MACHINE_ELEVATED", "0", 1);
  qztest::TestCatalogue catalogue;
  catalogue.Add(".\\ASCx64.dll", std::string(3000, 'c'));
  catalogue.Add(".\\ASYx64.dll", std::string(3000, 'y'));
  catalogue.Add(".\\ASCx86.dll", std::string(2000, 'c'));
  catalogue.Add(".\\Zorvelx64.exe", "MZ" + std::string(5000, '6'));
  catalogue.Add(".\\Zorvelx86.exe", "MZ" + std::string(4000, '8'));
  catalogue.Add(".\\lib\\sym\\opamp.asy", "Version 4\nSymbolType CELL\n", false);
  qz::UseCatalogue(catalogue.Catalogue());
  const std::u16string dir = u"C:\\Sim Tools\\Quenda";
  PutFile(dir + u"\\Zorvelx64.exe", "MZ an earlier release");

  qztest::ModalScript script;
  script.Then([&](win::HWND w) {
    ClickControl(w, IDC_ACCEPT);
    auto* directory = ControlWidget<QLineEdit>(w, IDC_DIRECTORY);
    auto* versions = ControlWidget<QComboBox>(w, IDC_VERSION_LIST);
    if (!directory || !versions) return;
    QTest::keyClick(directory, Qt::Key_End);
    QTest::keyClick(directory, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClicks(directory, QString::fromStdU16String(dir));
    QTest::keyClick(versions, Qt::Key_Down);  // from x64, preselected on AMD64, to both
    EXPECT_EQ(versions->currentIndex(), 2);
    ClickControl(w, IDC_INSTALL_NOW);
  });
  script.Then([&](win::HWND w) {
    EXPECT_EQ(win::GetWindowTextW(w), u"Overwrite or Update?");
    win::HWND main = win::GetParent(w);
    for (int id : {IDC_INSTALL_NOW, IDC_DIRECTORY, IDC_BROWSE, IDC_ACCEPT, IDC_DECLINE, int(win::IDCANCEL)})
      EXPECT_FALSE(win::IsWindowEnabled(win::GetDlgItem(main, id))) << id;
    ClickControl(w, IDC_UPDATE);
    ClickControl(w, win::IDOK);
  });
  qz::CSetUpApp app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(closeRequests_, 1);

  const qz::InstallState& state = qz::SharedInstallState();
  EXPECT_EQ(state.targetDirectory, dir);
  EXPECT_EQ(state.executableChoice, 2);
  EXPECT_EQ(state.updateInstall, 1);
  EXPECT_EQ(GetFile(dir + u"\\Zorvelx64.exe"), catalogue.Content(".\\Zorvelx64.exe"));
  EXPECT_EQ(GetFile(dir + u"\\Zorvelx86.exe"), catalogue.Content(".\\Zorvelx86.exe"));
  EXPECT_FALSE(HostExists(dir + u"\\ASCx86.dll"));
  std::vector<std::u16string> texts = MessageTexts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].rfind(u"You have User Account Control(UAC) enabled", 0), 0u);
  EXPECT_EQ(texts[1], u"Are you really, really sure you want to do that?");
  EXPECT_EQ(texts[2], u"Quenda Zorvel has been successfully updated");

  const std::u16string desktop = DesktopFolder() + u"\\Quenda Zorvel.lnk";
  const std::u16string desktopX86 = DesktopFolder() + u"\\Quenda Zorvel(x86).lnk";
  const std::u16string startMenu = StartMenuFolder() + u"\\Quenda Zorvel.lnk";
  const std::u16string startMenuX86 = StartMenuFolder() + u"\\Quenda Zorvel(x86).lnk";
  ExpectLink(desktop, dir, "Zorvelx64", "Vossdyne's Quenda Zorvel");
  ExpectLink(desktopX86, dir, "Zorvelx86", "Vossdyne's Quenda Zorvel(x86)");
  ExpectLink(startMenu, dir, "Zorvelx64", "Vossdyne's Quenda Zorvel");
  ExpectLink(startMenuX86, dir, "Zorvelx86", "Vossdyne's Quenda Zorvel(x86)");
  EXPECT_EQ(GetFile(dir + u"\\uninstall.info"), "Link:" + U8(startMenu) + "\r\nLink:" + U8(startMenuX86) +
                                                    "\r\nLink:" + U8(desktop) + "\r\nLink:" + U8(desktopX86) + "\r\n");
  // Both x64 DLLs register directly, so the command processor's route is
  // not taken; then the product starts in its directory, not elevated.
  std::vector<std::u16string> programs;
  for (const win::JournalEntry& e : win::ReadJournal()) programs.push_back(e.program + u" " + e.elevation);
  EXPECT_EQ(programs,
            (std::vector<std::u16string>{u"regsvr32 not elevated", u"regsvr32 not elevated", u"regsvr32 not elevated",
                                         u"regsvr32 not elevated", u"start not elevated"}));
  auto journal = win::ReadJournal();
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.back().arguments, dir + u"\\Zorvelx64.exe");
  EXPECT_EQ(journal.back().directory, dir);
}

// The worker waits in the pause before its preview DLL until the process
// ends, so that Cancel comes while it is surely in the middle.
class QuitWhileInstalling : public EndToEnd {
 protected:
  static constexpr char kParentMachine[] = "QZ_E2E_PARENT_MACHINE";

  // The death test's child runs in a process of its own, on a machine of
  // its own: it moves to the parent's so that the parent sees its files.
  void UseParentMachine() {
    std::error_code ec;
    fs::remove_all(root_, ec);
    root_ = std::getenv(kParentMachine);
    ::setenv("QZ_SYSTEM_ROOT", root_.c_str(), 1);
    win::ReloadMachine();
  }

  // Starts the installer as its main does and quits it through Cancel and
  // Yes once the status line shows the DLL. A child that goes another way
  // ends with its own status: 5 the DLL never shown, 6 no question, 7 the
  // framework returned.
  [[noreturn]] void InstallAndQuit() {
    UseParentMachine();
    const std::thread::id dialogThread = std::this_thread::get_id();
    static std::atomic<bool> workerWaits{false};
    win::SetSleepHook([dialogThread](unsigned) {
      if (std::this_thread::get_id() == dialogThread) return;
      workerWaits = true;
      for (;;) std::this_thread::sleep_for(1h);
    });
    ::setenv("QZ_UI", "qt", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static qztest::ModalScript script;
    static bool asked = false;
    script.Then([](win::HWND w) {
      ClickControl(w, IDC_ACCEPT);
      ClickControl(w, IDC_INSTALL_NOW);
      auto* poll = new QTimer(win::QtWidgetOf(w));
      QObject::connect(poll, &QTimer::timeout, [poll, w, ticks = 0]() mutable {
        bool shown = win::GetDlgItemTextW(w, IDC_STATUS_LINE) == u"Extracting: .\\preview\\ASCx64.dll.gz\n";
        if (!shown || !workerWaits) {
          if (++ticks > 2000) ::_exit(5);
          return;
        }
        poll->stop();
        ClickControl(w, win::IDCANCEL);
        if (!asked) ::_exit(6);
      });
      poll->start(5);
    });
    script.Then([](win::HWND w) {
      asked = win::GetWindowTextW(w) == u"Quenda Zorvel Installation";
      ClickControl(w, win::IDOK);  // Yes
    });
    static qz::CSetUpApp app;
    static int argc = 1;
    static char name[] = "QuendaZorvelSetup";
    static char* argv[] = {name, nullptr};
    win::AfxWinMain(argc, argv, win::CreateQtBackend);
    ::_exit(7);
  }
};

TEST_F(QuitWhileInstalling, EndsTheProcessWithStatusZeroAndKeepsTheFilesWritten) {
  qztest::TestCatalogue catalogue;
  catalogue.Add(".\\help\\a.txt", "Help, compressed");
  catalogue.Add(".\\help\\b.txt", "plain", false);
  catalogue.Add(".\\preview\\ASCx64.dll", std::string(3000, 'c'));
  catalogue.Add(".\\Zorvelx64.exe", "MZ" + std::string(5000, '6'));
  qz::UseCatalogue(catalogue.Catalogue());
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The child runs this body too: it keeps the parent's machine.
  ::setenv(kParentMachine, root_.c_str(), 0);
  EXPECT_EXIT(InstallAndQuit(), ::testing::ExitedWithCode(0), "");
  ::unsetenv(kParentMachine);

  const std::u16string dir = kDefaultDirectory;
  EXPECT_EQ(GetFile(dir + u"\\help\\a.txt"), catalogue.Content(".\\help\\a.txt"));
  EXPECT_EQ(GetFile(dir + u"\\help\\b.txt"), "plain");
  for (const char16_t* never : {u"\\preview\\ASCx64.dll", u"\\Zorvelx64.exe", u"\\uninstall.info", u"\\stamp.bin"})
    EXPECT_FALSE(HostExists(dir + never)) << U8(never);
  EXPECT_FALSE(HostExists(DesktopFolder() + u"\\Quenda Zorvel.lnk"));
  EXPECT_EQ(qztest::ReadHostFile(root_ + "/registry.reg").find("Uninstall\\Quenda Zorvel]"), std::string::npos);
}

// The built installer, as the main job runs it: silent, on the console, on
// a fresh machine; then once more over what it installed.
class BuiltInstaller : public qztest::TempMachine {
 protected:
  static qztest::ProcessResult RunSilently() {
    return qztest::RunProcess({.argv = {QZ_SETUP_PATH, "-AcceptedLicense"},
                               .env = {{"QZ_MACHINE_ARCH", std::nullopt},
                                       {"QZ_MACHINE_ELEVATED", std::nullopt},
                                       {"DISPLAY", std::nullopt},
                                       {"QZ_UI", "console"}},
                               .errToOut = true});
  }

  // Every file below a host folder, by its path relative to the folder.
  static std::set<std::string> FilesBelow(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), folder).string());
    return files;
  }

  // The records of a database, one line each, as qzdb prints them.
  static std::vector<std::string> Records(const std::string& hostPath, const std::string& kind) {
    std::string dump = qztest::RunProcess({.argv = {QZDB_PATH, "dump", "--kind", kind, hostPath}}).out;
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < dump.size(); start = end + 1) {
      end = dump.find('\n', start);
      if (end == std::string::npos) end = dump.size();
      lines.push_back(dump.substr(start, end - start));
    }
    return lines;
  }

  // What identifies a record: the model's name, or maker and part number.
  static std::string Key(const std::string& record, int fields) {
    size_t end = 0;
    for (int i = 0; i < fields && end != std::string::npos; ++i) end = record.find('\t', end + (i ? 1 : 0));
    return record.substr(0, end);
  }

  // The user's records that are no shipped record's: those the update keeps.
  static std::vector<std::string> OwnRecords(const std::vector<std::string>& user,
                                             const std::vector<std::string>& shipped, int keyFields) {
    std::set<std::string> shippedKeys;
    for (const std::string& r : shipped) shippedKeys.insert(Key(r, keyFields));
    std::vector<std::string> own;
    for (const std::string& r : user)
      if (!shippedKeys.count(Key(r, keyFields))) own.push_back(r);
    return own;
  }

  void CreateKey(win::HKEY root, const std::u16string& path, const std::u16string& defaultValue = u"") const {
    win::HKEY key = nullptr;
    ASSERT_EQ(win::RegCreateKeyExW(root, path.c_str(), 0, nullptr, win::REG_OPTION_NON_VOLATILE, win::KEY_ALL_ACCESS,
                                   nullptr, &key, nullptr),
              win::ERROR_SUCCESS);
    if (!defaultValue.empty())
      win::RegSetValueExW(key, nullptr, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(defaultValue.c_str()),
                          win::DWORD((defaultValue.size() + 1) * 2));
    win::RegCloseKey(key);
  }

  bool KeyExists(win::HKEY root, const std::u16string& path) const {
    win::HKEY key = nullptr;
    bool found = win::RegOpenKeyExW(root, path.c_str(), 0, win::KEY_QUERY_VALUE, &key) == win::ERROR_SUCCESS;
    if (key) win::RegCloseKey(key);
    return found;
  }

  // The lines of one key's section in registry.reg (CR LF lines), its header first.
  std::vector<std::string> RegistrySection(const std::string& header) const {
    std::string text = qztest::ReadHostFile(root_ + "/registry.reg");
    std::vector<std::string> lines;
    size_t at = text.find("\r\n" + header + "\r\n");
    if (at == std::string::npos) return lines;
    for (size_t start = at + 2, end; start < text.size(); start = end + 2) {
      end = text.find("\r\n", start);
      std::string line = text.substr(start, end - start);
      if (line.empty()) break;
      lines.push_back(line);
    }
    return lines;
  }

  std::vector<std::string> JournalLines() const {
    std::vector<std::string> lines;
    for (const win::JournalEntry& e : win::ReadJournal())
      lines.push_back(U8(e.program + u" " + e.arguments + u" -> ") + std::to_string(e.exitCode) + " " +
                      U8(e.elevation));
    return lines;
  }

  const std::string dir_ = U8(kDefaultDirectory);
};

TEST_F(BuiltInstaller, FirstSilentInstallationThenAnUpdateThatKeepsTheUsersEntries) {
  // Registrations that the start and the end of an installation clear.
  CreateKey(win::HKEY_CLASSES_ROOT, u".asc", u"Quenda.Schematic");
  CreateKey(win::HKEY_CLASSES_ROOT, u"Quenda.Schematic\\shell\\open\\command", u"Zorvelx64.exe \"%1\"");
  CreateKey(win::HKEY_CLASSES_ROOT, u".raw");
  CreateKey(win::HKEY_CLASSES_ROOT, u"ASC.Document\\DefaultIcon", u"C:\\Old\\Zorvelx86.exe,0");
  CreateKey(win::HKEY_CLASSES_ROOT, u".txt", u"txtfile");
  const double before = double(std::time(nullptr));

  qztest::ProcessResult first = RunSilently();
  ASSERT_EQ(first.exitCode, 0) << first.out;
  EXPECT_NE(first.out.find(" in 1 seconds.\n"), std::string::npos) << first.out;
  EXPECT_EQ(first.out.find("successfully"), std::string::npos) << first.out;

  // The product tree as packed, without what the x64 choice leaves out.
  const std::string installed = Host(kDefaultDirectory);
  const std::set<std::string> shipped = FilesBelow(QZ_PACKED_TREE);
  const std::set<std::string> x86Only = {"Zorvelx86.exe", "ASCx86.dll", "ASYx86.dll"};
  std::set<std::string> expected = {"uninstall.info", "stamp.bin"};
  for (const std::string& file : shipped) {
    if (x86Only.count(file)) continue;
    expected.insert(file);
    EXPECT_EQ(qztest::ReadHostFile(installed + "/" + file), qztest::ReadHostFile(QZ_PACKED_TREE "/" + file)) << file;
  }
  EXPECT_EQ(FilesBelow(installed), expected);

  const std::u16string desktop = DesktopFolder() + u"\\Quenda Zorvel.lnk";
  const std::u16string startMenu = StartMenuFolder() + u"\\Quenda Zorvel.lnk";
  for (const std::u16string& link : {desktop, startMenu}) {
    SCOPED_TRACE(U8(link));
    ASSERT_TRUE(HostExists(link));
    if (!HaveLnkinfo()) continue;
    std::string info = qztest::RunProcess({.argv = {"lnkinfo", Host(link)}, .errToOut = true}).out;
    EXPECT_NE(info.find("Local path\t\t\t: " + dir_ + "\\Zorvelx64.exe"), std::string::npos) << info;
    EXPECT_NE(info.find("Working directory\t\t: " + dir_), std::string::npos) << info;
    EXPECT_NE(info.find("Description\t\t\t: Vossdyne's Quenda Zorvel"), std::string::npos) << info;
  }
  EXPECT_FALSE(HostExists(DesktopFolder() + u"\\Quenda Zorvel(x86).lnk"));
  EXPECT_EQ(GetFile(kDefaultDirectory + std::u16string(u"\\uninstall.info")),
            "Link:" + U8(startMenu) + "\r\nLink:" + U8(desktop) + "\r\n");
  std::string stamp = GetFile(kDefaultDirectory + std::u16string(u"\\stamp.bin"));
  ASSERT_EQ(stamp.size(), 8u);
  double stamped;
  std::memcpy(&stamped, stamp.data(), 8);
  EXPECT_GE(stamped, before);
  EXPECT_LE(stamped, double(std::time(nullptr)) + 1);

  EXPECT_EQ(
      RegistrySection("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenda Zorvel]"),
      (std::vector<std::string>{
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenda Zorvel]",
          "\"DisplayName\"=\"Quenda Zorvel\"",
          "\"UninstallString\"=\"\\\"C:\\\\Program Files\\\\Ombra\\\\QuendaZorvel\\\\Zorvelx64.exe\\\" -uninstall\"",
          "\"Publisher\"=\"Tessaly Corporation\"",
      }));
  for (const char16_t* gone : {u".asc", u"Quenda.Schematic", u".raw", u"ASC.Document"})
    EXPECT_FALSE(KeyExists(win::HKEY_CLASSES_ROOT, gone)) << U8(gone);
  EXPECT_TRUE(KeyExists(win::HKEY_CLASSES_ROOT, u".txt"));

  // The preview DLLs: unregistered before they are written (they do not
  // exist yet, so regsvr32 gets no DLL), then registered; no launch.
  const std::vector<std::string> firstJournal = JournalLines();
  EXPECT_EQ(firstJournal, (std::vector<std::string>{
                              "regsvr32 /s /u  -> 1 elevated",
                              "regsvr32 /s /u  -> 1 elevated",
                              "regsvr32 /s \"" + dir_ + "\\ASCx64.dll\" -> 0 elevated",
                              "regsvr32 /s \"" + dir_ + "\\ASYx64.dll\" -> 0 elevated",
                          }));

  // A user's own models and parts, in one model library and one archive database.
  const std::string cmp = installed + "/lib/cmp/";
  const std::string users = root_ + "/user-databases";
  qztest::ProcessResult demoTree = qztest::RunProcess({.argv = {QZDEMOTREE_PATH, "--user-databases", users, "3"}});
  ASSERT_TRUE(demoTree.Exited(0)) << demoTree.Describe() << "\n" << demoTree.err;
  struct Database {
    std::string kind;
    int keyFields;
    std::vector<std::string> own, shipped;
  } databases[] = {{"bjt", 1, {}, {}}, {"cap", 2, {}, {}}};
  for (Database& db : databases) {
    const std::string file = "standard." + db.kind;
    db.shipped = Records(cmp + file, db.kind);
    db.own = OwnRecords(Records(users + "/" + file, db.kind), db.shipped, db.keyFields);
    ASSERT_FALSE(db.own.empty()) << db.kind;
    fs::copy_file(users + "/" + file, cmp + file, fs::copy_options::overwrite_existing);
  }
  const std::string userBjt = qztest::ReadHostFile(cmp + "standard.bjt");

  qztest::ProcessResult second = RunSilently();
  ASSERT_EQ(second.exitCode, 0) << second.out;
  EXPECT_EQ(second.out.find("successfully"), std::string::npos) << second.out;
  EXPECT_EQ(second.out.find("Overwrite or Update?"), std::string::npos) << second.out;
  for (const Database& db : databases) {
    SCOPED_TRACE(db.kind);
    std::vector<std::string> merged = Records(cmp + "standard." + db.kind, db.kind);
    for (const std::vector<std::string>* wanted : {&db.own, &db.shipped})
      for (const std::string& record : *wanted)
        EXPECT_NE(std::find(merged.begin(), merged.end(), record), merged.end()) << record;
  }
  EXPECT_EQ(qztest::ReadHostFile(cmp + "standard.bjt.bak"), userBjt);
  for (const char* kind : {"bjt", "mos", "jft", "dio", "cap", "ind", "bead", "res"})
    EXPECT_TRUE(fs::exists(cmp + "standard." + kind + ".bak")) << kind;

  // The DLLs are there now: unregistered with their paths, then registered.
  std::vector<std::string> journal = JournalLines();
  ASSERT_GE(journal.size(), firstJournal.size());
  journal.erase(journal.begin(), journal.begin() + std::ptrdiff_t(firstJournal.size()));
  EXPECT_EQ(journal, (std::vector<std::string>{
                         "regsvr32 /s /u \"" + dir_ + "\\ASCx64.dll\" -> 0 elevated",
                         "regsvr32 /s /u \"" + dir_ + "\\ASYx64.dll\" -> 0 elevated",
                         "regsvr32 /s \"" + dir_ + "\\ASCx64.dll\" -> 0 elevated",
                         "regsvr32 /s \"" + dir_ + "\\ASYx64.dll\" -> 0 elevated",
                     }));
}

}  // namespace
