#include "engine/install_driver.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>

#include "base/file_helpers.h"
#include "base/install_state.h"
#include "desktop/registry_entries.h"
#include "engine/install_worker.h"
#include "platform/base/text.h"
#include "platform/dialog/top_level_windows.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "platform/win/journal.h"
#include "platform/win/message_box.h"
#include "platform/win/registry.h"
#include "tests/support/temp_machine.h"
#include "tests/support/test_catalogue.h"
#include "tests/support/xvfb_display.h"

namespace {

using namespace std::chrono_literals;

TEST(IsProductWindowTitle, Table) {
  struct Case {
    std::u16string title;
    bool product;
  } cases[] = {
      {u"Quenda Zorvel", true},          {u"Quenda Zorvel - test.asc", true}, {u"Quenda Zorvel -", true},
      {u"Quenda Zorvel Installer", false}, {u"Quenda Zorvel x", false},     {u"Quenda Zorvelx", false},
      {u"quenda zorvel", false},         {u"", false},                        {u"Quenda Zorve", false},
  };
  for (const Case& c : cases) EXPECT_EQ(qz::IsProductWindowTitle(c.title), c.product) << win::WideToUtf8(c.title);
}

// Windows of other programs: each closes on request or not.
class FakeWindows : public win::TopLevelWindowSystem {
 public:
  struct Window {
    std::u16string title;
    bool closes;
    bool open = true;
    int closeRequests = 0;
  };
  explicit FakeWindows(std::map<win::TopLevelWindow, Window>* windows) : windows_(windows) {}
  std::vector<win::TopLevelWindow> FromTop() override {
    std::vector<win::TopLevelWindow> ids;
    for (auto& [id, w] : *windows_)
      if (w.open) ids.push_back(id);
    return ids;
  }
  std::optional<std::u16string> Title(win::TopLevelWindow id) override { return windows_->at(id).title; }
  void RequestClose(win::TopLevelWindow id) override {
    Window& w = windows_->at(id);
    ++w.closeRequests;
    if (w.closes) w.open = false;
  }
  bool Exists(win::TopLevelWindow id) override { return windows_->count(id) && windows_->at(id).open; }

 private:
  std::map<win::TopLevelWindow, Window>* windows_;
};

class FakeDialog : public qz::InstallDialog {
 public:
  void ExchangeData(bool read) override { exchanges.push_back(read); }
  std::u16string DirectoryText() const override { return directory; }
  int SelectedVersion() const override { return version; }
  void EnableControl(int id, bool enable) override { enabled[id] = enable; }
  void SetInstalling(bool on) override { installing = on; }
  void ShowStatusNow(std::u16string_view text) override { statuses.emplace_back(text); }
  void ClearStatusText() override { statuses.emplace_back(u""); }
  void RepaintNow() override {}
  uintptr_t SetTimer(uintptr_t id, unsigned ms) override {
    timerPeriods.push_back(ms);
    return timerFails ? 0 : id;
  }
  void KillTimer(uintptr_t id) override { killed.push_back(id); }
  void SetTimerId(uintptr_t id) override { timerId = id; }
  std::optional<bool> AskOverwriteOrUpdate() override {
    ++questions;
    disabledDuringQuestion = !enabled[1007] && !enabled[2];
    return answer;
  }
  void CloseWithOk() override { closed = true; }
  win::HWND Window() const override { return nullptr; }

  std::u16string directory = u"C:\\Program Files\\Ombra\\QuendaZorvel";
  int version = 1;
  std::map<int, bool> enabled;
  bool installing = false, closed = false, timerFails = false, disabledDuringQuestion = false;
  std::vector<bool> exchanges;
  std::vector<std::u16string> statuses;
  std::vector<unsigned> timerPeriods;
  std::vector<uintptr_t> killed;
  uintptr_t timerId = 0;
  int questions = 0;
  std::optional<bool> answer = false;
};

class InstallDriver : public qztest::TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    ::unsetenv("QZ_MACHINE_ARCH");
    // Unelevated, so that the launch starts the product instead of ending
    // the process through runas; the UAC questions are answered Yes.
    ::setenv("QZ_MACHINE_ELEVATED", "0", 1);
    qz::InitializeRegistryViewFlag();
    win::SetTopLevelWindowSystem(std::make_unique<FakeWindows>(&windows_));
    catalogue_.Add(".\\ASCx64.dll", std::string(3000, 'a'));
    catalogue_.Add(".\\lib\\sym\\a.asy", std::string(2000, 's'));
    catalogue_.Add(".\\Zorvelx64.exe", "MZ" + std::string(5000, '6'));
    catalogue_.Add(".\\Zorvelx86.exe", "MZ" + std::string(5000, '8'));
    qz::UseCatalogue(catalogue_.Catalogue());
    qz::InstallState& state = qz::SharedInstallState();
    state.silentInstall = false;
    state.SetInstallDone(false);
  }
  void TearDown() override {
    win::SetTopLevelWindowSystem(nullptr);
    qz::UseCatalogue({});
    qz::SharedInstallState().silentInstall = false;
    for (const char* v : {"QZ_MACHINE_ARCH", "QZ_MACHINE_ELEVATED"}) ::unsetenv(v);
    TempMachine::TearDown();
  }
  // The dialog's timer until the worker is done and the sequence has run.
  void RunToCompletion() {
    ASSERT_EQ(dialog_.timerId, 1u);
    auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!dialog_.closed && std::chrono::steady_clock::now() < deadline) {
      qz::OnInstallTimer(dialog_, dialog_.timerId);
      std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(dialog_.closed);
  }
  bool Started() const { return !dialog_.timerPeriods.empty(); }
  // The texts of the boxes shown, without the two UAC questions.
  std::vector<std::u16string> Boxes() const {
    std::vector<std::u16string> texts;
    for (const auto& m : Messages())
      if ((m.type & 0xF) != win::MB_YESNO) texts.push_back(m.text);
    return texts;
  }
  std::vector<std::u16string> JournalPrograms() const {
    std::vector<std::u16string> programs;
    for (const auto& e : win::ReadJournal()) programs.push_back(e.program);
    return programs;
  }

  std::map<win::TopLevelWindow, FakeWindows::Window> windows_;
  qztest::TestCatalogue catalogue_;
  FakeDialog dialog_;
};

TEST_F(InstallDriver, FirstInstallationRunsTheWholeSequence) {
  dialog_.version = 2;
  qz::OnInstallNow(dialog_);
  EXPECT_TRUE(Sleeps().empty() || Sleeps() == std::vector<unsigned>{500});  // no window waits
  EXPECT_TRUE(dialog_.installing);
  EXPECT_EQ(dialog_.timerPeriods, (std::vector<unsigned>{200}));
  RunToCompletion();
  EXPECT_FALSE(dialog_.installing);
  EXPECT_EQ(dialog_.killed, (std::vector<uintptr_t>{1}));
  const std::u16string dir = dialog_.directory;
  EXPECT_TRUE(qz::FileExists(dir + u"\\Zorvelx64.exe"));
  EXPECT_TRUE(qz::FileExists(dir + u"\\Zorvelx86.exe"));
  std::string info = GetFile(dir + u"\\uninstall.info");
  EXPECT_EQ(std::count(info.begin(), info.end(), '\n'), 4) << info;  // both builds on AMD64: four links
  EXPECT_EQ(GetFile(dir + u"\\stamp.bin").size(), 8u);
  EXPECT_EQ(Boxes(), (std::vector<std::u16string>{u"Quenda Zorvel has been successfully installed"}));
  std::string registry = qztest::ReadHostFile(root_ + "/registry.reg");
  EXPECT_NE(registry.find("Uninstall\\Quenda Zorvel]"), std::string::npos);
  auto journal = win::ReadJournal();
  ASSERT_GE(journal.size(), 3u);
  EXPECT_EQ(journal[0].program, u"regsvr32");
  EXPECT_EQ(journal.back().program, u"start");
  EXPECT_EQ(journal.back().arguments, dir + u"\\Zorvelx64.exe");
  EXPECT_EQ(journal.back().directory, dir);
}

TEST_F(InstallDriver, ElevatedLaunchGoesThroughRunasAndEndsTheProcess) {
  ::setenv("QZ_MACHINE_ELEVATED", "1", 1);
  EXPECT_EXIT(
      {
        qz::OnInstallNow(dialog_);
        RunToCompletion();
        std::_Exit(3);  // not reached: the launch ends the process
      },
      ::testing::ExitedWithCode(0), "");
  // The product started without elevation, through runas and the command processor.
  std::vector<std::u16string> programs;
  for (const auto& e : win::ReadJournal()) programs.push_back(e.program + u" " + e.elevation);
  ASSERT_GE(programs.size(), 3u);
  programs.erase(programs.begin(), programs.end() - 3);
  EXPECT_EQ(programs, (std::vector<std::u16string>{u"start not elevated", u"runas elevated", u"cmd elevated"}));
}

TEST_F(InstallDriver, ProductWindowsAreClosedAndOthersLeftAlone) {
  windows_[1] = {u"Quenda Zorvel Installer", false};
  windows_[2] = {u"Quenda Zorvel - test.asc", true};
  windows_[3] = {u"Quenda Zorvel x", false};
  qz::OnInstallNow(dialog_);
  EXPECT_EQ(windows_[2].closeRequests, 1);
  EXPECT_EQ(windows_[1].closeRequests + windows_[3].closeRequests, 0);
  ASSERT_TRUE(Started());
  RunToCompletion();
}

TEST_F(InstallDriver, ProductWindowThatStaysStopsTheInstallation) {
  windows_[1] = {u"Quenda Zorvel", false};  // ignores the request
  qz::OnInstallNow(dialog_);
  EXPECT_EQ(windows_[1].closeRequests, 1);
  EXPECT_EQ(Sleeps(), std::vector<unsigned>(22, 500));  // 21 steps, then the final half second
  EXPECT_EQ(Boxes(), (std::vector<std::u16string>{
                         u"Please close all other windows named\r\n     \"Quenda Zorvel\" before installing."}));
  EXPECT_FALSE(Started());
}

TEST_F(InstallDriver, UnelevatedUserIsAskedTwice) {
  ::setenv("QZ_MACHINE_ELEVATED", "0", 1);
  for (int yesAnswers : {0, 1, 2}) {
    SCOPED_TRACE(yesAnswers);
    dialog_ = FakeDialog();
    std::vector<win::MessageBoxRequest> asked;
    win::SetMessageBoxHandler([&](const win::MessageBoxRequest& r) {
      asked.push_back(r);
      return int(asked.size()) <= yesAnswers ? win::IDYES : win::IDNO;
    });
    qz::OnInstallNow(dialog_);
    ASSERT_EQ(asked.size(), size_t(std::min(yesAnswers + 1, 2)));
    EXPECT_EQ(asked[0].caption, u"Quenda Zorvel");
    EXPECT_EQ(asked[0].type, unsigned(win::MB_YESNO | win::MB_ICONWARNING | win::MB_DEFBUTTON2));
    EXPECT_EQ(Started(), yesAnswers == 2);
    if (Started()) RunToCompletion();
  }
}

TEST_F(InstallDriver, DirectoryThatCannotBeCreatedStartsNothing) {
  PutFile(u"C:\\blocked", "a file in the way");
  dialog_.directory = u"C:\\blocked\\QuendaZorvel";
  qz::OnInstallNow(dialog_);
  std::vector<win::MessageBoxRequest> boxes;
  for (const auto& m : Messages())
    if ((m.type & 0xF) != win::MB_YESNO) boxes.push_back(m);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"Could not create directory \"C:\\blocked\\QuendaZorvel\"\nPlease choose another location");
  EXPECT_EQ(boxes[0].caption, u"Directory Not Found");
  EXPECT_EQ(boxes[0].type, unsigned(win::MB_OK | win::MB_ICONWARNING | win::MB_TOPMOST));
  EXPECT_FALSE(Started());
  EXPECT_FALSE(dialog_.installing);
}

// Paths reach the messages and uninstall.info as they stand, conversions and all.
TEST_F(InstallDriver, PercentSignsInPathsAreNotReadAsFormats) {
  PutFile(u"C:\\blocked", "a file in the way");
  dialog_.directory = u"C:\\blocked\\50%s %ls %d";
  qz::OnInstallNow(dialog_);
  const std::u16string notCreated =
      u"Could not create directory \"C:\\blocked\\50%s %ls %d\"\nPlease choose another location";
  EXPECT_EQ(Boxes(), std::vector<std::u16string>{notCreated});
  ASSERT_FALSE(Started());

  // Both builds into a folder named with conversions, with the x86 Desktop
  // link blocked by a folder of its name: its text is shown as it is.
  const std::u16string desktop = win::UserProfileDirectory() + u"\\Desktop";
  ASSERT_FALSE(win::CreateDirectory(desktop + u"\\Quenda Zorvel(x86).lnk"));
  dialog_ = FakeDialog();
  dialog_.version = 2;
  dialog_.directory = u"C:\\%s%ls\\Q";
  qz::OnInstallNow(dialog_);
  RunToCompletion();
  EXPECT_EQ(Boxes(), (std::vector<std::u16string>{notCreated, u"Trouble saving link on desktop.\nYou can still make make a desktop "
                                                  u"shortcut to the Quenda Zorvel executable by hand.",
                                                  u"Quenda Zorvel has been successfully installed"}));
  EXPECT_TRUE(qz::FileExists(u"C:\\%s%ls\\Q\\Zorvelx64.exe"));
  const std::string info = GetFile(u"C:\\%s%ls\\Q\\uninstall.info");
  EXPECT_NE(info.find("Link:" + win::WideToUtf8(desktop) + "\\Quenda Zorvel(x86).lnk\r\n"), std::string::npos) << info;
}

// The directory that was created and checked is the one installed into,
// however long; one too long to create is refused, and nothing is written.
TEST_F(InstallDriver, LongDirectoriesAreInstalledWholeOrRefused) {
  auto directoryOf = [](size_t length) {
    std::u16string dir = u"C:\\long";
    while (dir.size() < length) dir += u"\\" + std::u16string(std::min<size_t>(99, length - dir.size() - 1), u'd');
    return dir;
  };
  dialog_.directory = directoryOf(1100);
  qz::OnInstallNow(dialog_);
  RunToCompletion();
  EXPECT_EQ(qz::SharedInstallState().targetDirectory, dialog_.directory);
  EXPECT_TRUE(qz::FileExists(dialog_.directory + u"\\Zorvelx64.exe"));
  // A link cannot point that far: the shell refuses the target, as it says.
  EXPECT_EQ(Boxes(), std::vector<std::u16string>{u"Trouble making link on desktop: SetPath() failed."});
  EXPECT_FALSE(qz::FileExists(dialog_.directory.substr(0, 1023) + u"\\Zorvelx64.exe"));

  dialog_ = FakeDialog();
  dialog_.directory = directoryOf(2100);
  qz::OnInstallNow(dialog_);
  EXPECT_FALSE(Started());
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_TRUE(Boxes()[1].starts_with(u"Could not create directory \"C:\\long\\")) << win::WideToUtf8(Boxes()[1]);
  EXPECT_FALSE(qz::DirectoryExists(dialog_.directory.substr(0, 1200)));
}

TEST_F(InstallDriver, ExistingInstallationAsksOrUpdatesSilently) {
  PutFile(dialog_.directory + u"\\Zorvelx64.exe", "MZ old");
  dialog_.answer = std::nullopt;
  qz::OnInstallNow(dialog_);
  EXPECT_EQ(dialog_.questions, 1);
  EXPECT_TRUE(dialog_.disabledDuringQuestion);
  EXPECT_TRUE(dialog_.enabled[1007] && dialog_.enabled[2]);  // enabled again
  EXPECT_FALSE(Started());

  dialog_.answer = true;
  qz::OnInstallNow(dialog_);
  EXPECT_EQ(qz::SharedInstallState().updateInstall, 1);
  RunToCompletion();
  EXPECT_EQ(Boxes().back(), u"Quenda Zorvel has been successfully updated");

  // Silent: an update without a question, no success message.
  dialog_ = FakeDialog();
  qz::SharedInstallState().silentInstall = true;
  size_t before = Boxes().size();
  qz::OnInstallNow(dialog_);
  EXPECT_EQ(dialog_.questions, 0);
  EXPECT_EQ(qz::SharedInstallState().updateInstall, 1);
  RunToCompletion();
  EXPECT_EQ(Boxes().size(), before);
}

TEST_F(InstallDriver, TimerThatCannotBeSetIsTriedOften) {
  dialog_.timerFails = true;
  qz::OnInstallNow(dialog_);
  EXPECT_EQ(dialog_.timerPeriods.size(), 9999u);
  EXPECT_EQ(dialog_.timerId, 0u);
  // The worker runs all the same.
  auto deadline = std::chrono::steady_clock::now() + 60s;
  while (!qz::SharedInstallState().InstallDone() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(qz::SharedInstallState().InstallDone());
}

// The same driver against real windows of an X display: the windows are
// closed by their own programs, so the driver's waits are real.
class InstallDriverOnX11 : public InstallDriver {
 protected:
  static void TearDownTestSuite() { qztest::XvfbDisplay::Stop(); }
  void SetUp() override {
    InstallDriver::SetUp();
    if (!qztest::XvfbDisplay::Start()) GTEST_SKIP() << "Xvfb is not installed";
    qztest::XvfbDisplay::Use();
    win::SetSleepHook(nullptr);
  }
  void TearDown() override {
    display_.StopWindows();
    ::unsetenv("DISPLAY");
    InstallDriver::TearDown();
  }
  qztest::XvfbDisplay display_;
};

TEST_F(InstallDriverOnX11, AWindowThatClosesLetsTheInstallationGoOn) {
  ASSERT_NE(display_.StartWindow("Quenda Zorvel - test.asc", true), 0u);
  win::TopLevelWindow installer = display_.StartWindow("Quenda Zorvel Installer", false);
  win::TopLevelWindow other = display_.StartWindow("Quenda Zorvel x", false);
  qz::OnInstallNow(dialog_);
  EXPECT_TRUE(Boxes().empty());
  ASSERT_TRUE(Started());
  RunToCompletion();
  EXPECT_TRUE(win::IsTopLevelWindow(installer));
  EXPECT_TRUE(win::IsTopLevelWindow(other));
}

TEST_F(InstallDriverOnX11, AWindowThatStaysDelaysAndStopsTheInstallation) {
  ASSERT_NE(display_.StartWindow("Quenda Zorvel", false), 0u);
  auto start = std::chrono::steady_clock::now();
  qz::OnInstallNow(dialog_);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(seconds, 11.0);  // 21 waits of half a second, then one more
  EXPECT_EQ(Boxes(), (std::vector<std::u16string>{
                         u"Please close all other windows named\r\n     \"Quenda Zorvel\" before installing."}));
  EXPECT_FALSE(Started());
}

}  // namespace
